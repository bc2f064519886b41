#include "ui/production/ProductionTile.h"

#include "job/MicLabel.h"
#include "words/RecordWords.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The blocks of one transfer, before the first transfer tells its own.
constexpr int kDefaultBlockTotal = 9;
constexpr int kMinimumWidth = 220;
constexpr int kMinimumHeight = 160;
// The large word's type: a share of the tile's height, narrowed to fit its
// width; the label's and the line beneath it as shares of the word's.
constexpr double kWordShareOfHeight = 0.17;
constexpr double kWidthUsed = 0.92;
constexpr double kLabelShareOfWord = 0.7;
constexpr double kDetailShareOfWord = 0.36;

const QColor kGood(0xc8, 0xf0, 0xc8);    // verified, written, unchanged
const QColor kWarning(0xff, 0xe0, 0x90); // written, but not read back
const QColor kBad(0xf8, 0xc0, 0xc0);     // failed, or another configuration
const QColor kNone(0xe8, 0xe8, 0xe8);    // nothing yet

QColor ColourOf(JobResult result, bool ok)
{
    if (!ok)
        return result == JobResult::kNotVerified ? kWarning : kBad;
    return kGood;
}

// The tile's own colour, and the colour of its words on it.
struct CLookColours
{
    QColor back;
    QColor text;
};

CLookColours ColoursOf(TileLook look)
{
    const QColor black(0x10, 0x10, 0x10);
    const QColor white(0xff, 0xff, 0xff);
    switch (look) {
    case TileLook::kRemoveOk:
        return {QColor(0x2e, 0x9e, 0x3e), white};
    case TileLook::kPutAside:
        return {QColor(0xd0, 0x28, 0x28), white};
    case TileLook::kNoPort:
        return {QColor(0x6a, 0x4c, 0xb0), white};
    case TileLook::kLabel:
        return {QColor(0xff, 0xe8, 0x90), black};
    case TileLook::kReading:
    case TileLook::kWriting:
    case TileLook::kReadingBack:
        return {QColor(0xc8, 0xdc, 0xff), black};
    case TileLook::kStarting:
    case TileLook::kReady:
    case TileLook::kPlugIn:
    case TileLook::kFinished:
        break;
    }
    return {QColor(0xec, 0xec, 0xec), black};
}

bool Moving(PortState state)
{
    return state == PortState::kWriting || state == PortState::kReading ||
           state == PortState::kVerifying;
}

// The largest pixel size, up to `pixels`, at which `text` fits `width`.
int Fitted(const QFont& base, const QString& text, int pixels, int width)
{
    QFont font = base;
    font.setPixelSize(std::max(1, pixels));
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, QFontMetrics(font).horizontalAdvance(line));
    if (widest > width && widest > 0)
        pixels = static_cast<int>(pixels * static_cast<double>(width) / widest);
    return std::max(1, pixels);
}

} // namespace

const char* TileWord(TileLook look)
{
    switch (look) {
    case TileLook::kStarting:
        return "STARTING";
    case TileLook::kReady:
        return "READY";
    case TileLook::kPlugIn:
        return "PLUG IN";
    case TileLook::kLabel:
        return "SCAN LABEL";
    case TileLook::kReading:
        return "READING";
    case TileLook::kWriting:
        return "WRITING";
    case TileLook::kReadingBack:
        return "READING BACK";
    case TileLook::kRemoveOk:
        return "REMOVE \u2014 OK";
    case TileLook::kPutAside:
        return "PUT ASIDE";
    case TileLook::kNoPort:
        return "PORT DOES NOT OPEN";
    case TileLook::kFinished:
        return "ENDED";
    }
    return "";
}

CProductionTile::CProductionTile(const QString& port, const QString& device, bool verify,
                                 QWidget* parent)
    : QFrame(parent), m_port(port), m_verify(verify), m_title(new QLabel(this)),
      m_word(new QLabel(this)), m_detail(new QLabel(this)), m_label(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_result(new QLabel(this)), m_counts(new QLabel(this))
{
    setFrameShape(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setFocusPolicy(Qt::TabFocus);
    setAutoFillBackground(true);
    QString title = port;
    if (!device.isEmpty() && device != port)
        title += QStringLiteral("  ") + device;
    m_title->setText(title);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    for (QLabel* big : {m_word, m_label}) {
        big->setFont(bold);
        big->setAlignment(Qt::AlignCenter);
    }
    m_detail->setAlignment(Qt::AlignCenter);
    m_detail->setWordWrap(true);
    m_label->hide();
    m_bar->setRange(0, kDefaultBlockTotal);
    m_bar->setValue(0);
    m_bar->setTextVisible(false); // the line above says the block, larger
    m_bar->setFormat(QString());
    m_bar->setAccessibleName(QStringLiteral("Blocks on ") + port);
    m_bar->hide();
    m_result->setAutoFillBackground(true);
    m_result->setMargin(3);
    m_result->setText(QStringLiteral("No microphone yet"));
    QPalette palette = m_result->palette();
    palette.setColor(QPalette::Window, kNone);
    palette.setColor(QPalette::WindowText, Qt::black);
    m_result->setPalette(palette);
    m_result->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addStretch(1);
    layout->addWidget(m_word);
    layout->addWidget(m_detail);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addStretch(1);
    layout->addWidget(m_result);
    layout->addWidget(m_counts);
    m_counts->setText(CountsText());
    SetState(PortState::kStarting);
}

void CProductionTile::Show(TileLook look, const QString& detail)
{
    m_look = look;
    m_word->setText(QString::fromUtf8(TileWord(look)));
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    const CLookColours colours = ColoursOf(look);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colours.back);
    palette.setColor(QPalette::WindowText, colours.text);
    setPalette(palette);
    const bool moving =
        look == TileLook::kWriting || look == TileLook::kReading || look == TileLook::kReadingBack;
    m_bar->setVisible(moving);
    FitType();
    Announce();
}

void CProductionTile::SetState(PortState state, const QString& trouble)
{
    // The failed microphone has gone once the port waits for the next.
    if (m_putAside && (state == PortState::kWaiting || Moving(state)))
        m_putAside = false;
    if (!Moving(state)) {
        m_bar->setValue(0);
        m_bar->setFormat(QString());
    }
    if (state == PortState::kWaiting)
        SetLabel(QString());
    if (m_putAside) {
        // Red until the port has seen this microphone go, whatever else
        // happens to the port meanwhile.
        QString detail = m_cause;
        if (state == PortState::kNoPort)
            detail += QStringLiteral("\nThe port does not open now") +
                      (trouble.isEmpty() ? QString() : QStringLiteral(": ") + trouble) +
                      QStringLiteral(".");
        Show(TileLook::kPutAside, detail);
        return;
    }
    switch (state) {
    case PortState::kStarting:
        return Show(TileLook::kStarting, QString());
    case PortState::kWaiting:
        return Show(TileLook::kPlugIn, m_recordTrouble);
    case PortState::kNoPort:
        return Show(TileLook::kNoPort, trouble);
    case PortState::kReading:
        return Show(TileLook::kReading, QString());
    case PortState::kWriting:
        return Show(TileLook::kWriting, QString());
    case PortState::kVerifying:
        return Show(TileLook::kReadingBack, QString());
    case PortState::kRemoving:
        return Show(TileLook::kRemoveOk, QString());
    case PortState::kFinished:
        return Show(TileLook::kFinished, QString());
    }
}

void CProductionTile::SetChecked(const QString& trouble)
{
    if (trouble.isEmpty())
        Show(TileLook::kReady, QStringLiteral("the port opens"));
    else
        Show(TileLook::kNoPort, trouble);
}

void CProductionTile::SetBlock(int n, int total)
{
    if (total <= 0)
        return;
    m_bar->setRange(0, total);
    m_bar->setValue(n);
    m_bar->setFormat(QStringLiteral("Block %1 / %2").arg(n).arg(total));
    m_detail->setText(m_bar->format());
    m_detail->setVisible(true);
}

void CProductionTile::SetRecordTrouble(const QString& trouble)
{
    m_recordTrouble = trouble;
    if (m_look == TileLook::kPlugIn)
        Show(TileLook::kPlugIn, trouble);
}

void CProductionTile::SetLabel(const QString& label)
{
    m_label->setText(label);
    m_label->setVisible(!label.isEmpty());
    FitType();
}

void CProductionTile::UseLabels(std::function<std::string(const std::string& label)> given)
{
    m_labelGiven = std::move(given);
    if (m_labelField)
        return;
    m_labelField = new QLineEdit(this);
    m_labelField->setPlaceholderText(QStringLiteral("Label of the microphone"));
    m_labelField->setAccessibleName(QStringLiteral("Label on ") + m_port);
    m_labelField->setMaxLength(static_cast<int>(kLongestLabel) + 1);
    m_labelField->setEnabled(false);
    // After the title: the first thing a scanner's user looks at.
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_labelField);
    connect(m_labelField, &QLineEdit::returnPressed, this, [this] { TakeLabel(); });
}

void CProductionTile::AskLabel()
{
    if (!m_labelField)
        return;
    m_labelField->clear();
    m_labelField->setEnabled(true);
    m_labelField->setFocus();
    Show(TileLook::kLabel, QStringLiteral("scan or type the label, then Enter"));
}

void CProductionTile::TakeLabel()
{
    std::string label = m_labelField->text().toStdString();
    std::string problem = label.empty() ? "it is empty" : LabelFaultText(CheckLabel(label));
    if (problem.empty() && m_labelGiven)
        problem = m_labelGiven(label);
    if (!problem.empty()) {
        Show(TileLook::kLabel, QStringLiteral("That label is refused: ") +
                                   QString::fromStdString(problem) + QStringLiteral("."));
        m_labelField->selectAll();
        return;
    }
    m_labelField->setEnabled(false);
    SetLabel(QString::fromStdString(label));
}

void CProductionTile::SetResult(const CMicRecord& record)
{
    m_tally.Add(record);
    const bool ok = record.Ok();
    QString text = QStringLiteral("Microphone %1").arg(record.microphone);
    if (!record.label.empty())
        text += QStringLiteral(" (") + QString::fromStdString(record.label) + QStringLiteral(")");
    text += QStringLiteral(": ") + QString::fromUtf8(JobResultName(record.result));
    m_result->setText(text);
    QPalette palette = m_result->palette();
    palette.setColor(QPalette::Window, ColourOf(record.result, ok));
    m_result->setPalette(palette);
    m_counts->setText(CountsText());
    SetLabel(QString::fromStdString(record.label));
    if (ok) {
        Show(TileLook::kRemoveOk, QString());
        return;
    }
    m_putAside = true;
    m_cause = QString::fromStdString(RecordSentence(record));
    Show(TileLook::kPutAside, m_cause);
}

void CProductionTile::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    FitType();
}

void CProductionTile::FitType()
{
    const int width = static_cast<int>(contentsRect().width() * kWidthUsed);
    const int base = QFontInfo(m_title->font()).pixelSize();
    const int tall = static_cast<int>(contentsRect().height() * kWordShareOfHeight);
    // Never smaller than the text around it.
    const int wordPixels =
        std::max(base, Fitted(m_word->font(), m_word->text(), std::max(base, tall), width));
    QFont word = m_word->font();
    word.setPixelSize(wordPixels);
    m_word->setFont(word);
    // A label is shown whole: a very long one may come out smaller than the
    // text around it rather than cut off.
    QFont label = m_label->font();
    label.setPixelSize(
        Fitted(label, m_label->text(), static_cast<int>(wordPixels * kLabelShareOfWord), width));
    m_label->setFont(label);
    QFont detail = m_detail->font();
    detail.setPixelSize(std::max(base, static_cast<int>(wordPixels * kDetailShareOfWord)));
    m_detail->setFont(detail);
}

bool CProductionTile::BarShown() const
{
    return !m_bar->isHidden();
}

int CProductionTile::LabelPixelSize() const
{
    return QFontInfo(m_label->font()).pixelSize();
}

QString CProductionTile::WordText() const
{
    return m_word->text();
}

QString CProductionTile::DetailText() const
{
    return m_detail->text();
}

QString CProductionTile::LabelText() const
{
    return m_label->text();
}

QString CProductionTile::BarText() const
{
    return m_bar->text();
}

QString CProductionTile::ResultText() const
{
    return m_result->text();
}

QString CProductionTile::CountsText() const
{
    return QStringLiteral("%1 %2, %3 failed, %4 unchanged")
        .arg(m_tally.Done())
        .arg(m_verify ? QStringLiteral("verified") : QStringLiteral("written"))
        .arg(m_tally.failed)
        .arg(m_tally.unchanged);
}

QColor CProductionTile::ResultColour() const
{
    return m_result->palette().color(QPalette::Window);
}

QColor CProductionTile::LookColour() const
{
    return palette().color(QPalette::Window);
}

int CProductionTile::WordPixelSize() const
{
    return QFontInfo(m_word->font()).pixelSize();
}

void CProductionTile::Announce()
{
    QString name = QStringLiteral("Port %1: %2").arg(m_port, m_word->text());
    if (!m_detail->text().isEmpty())
        name += QStringLiteral(", ") + m_detail->text();
    if (!m_label->text().isEmpty())
        name += QStringLiteral(", label ") + m_label->text();
    setAccessibleName(name + QStringLiteral(". ") + m_result->text());
    setAccessibleDescription(m_counts->text());
}
