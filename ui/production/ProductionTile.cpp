#include "ui/production/ProductionTile.h"

#include "job/MicLabel.h"
#include "words/RecordWords.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// The blocks of one transfer, before the first transfer tells its own.
constexpr int kDefaultBlockTotal = 9;
constexpr int kMinimumWidth = 220;

const QColor kGood(0xc8, 0xf0, 0xc8);     // verified, written, unchanged
const QColor kWarning(0xff, 0xe0, 0x90);  // written, but not read back
const QColor kBad(0xf8, 0xc0, 0xc0);      // failed, or another configuration
const QColor kNone(0xe8, 0xe8, 0xe8);     // nothing yet
const QColor kPutAside(0xe0, 0x40, 0x40); // the whole tile, until the failed one is removed

QColor ColourOf(JobResult result, bool ok)
{
    if (!ok)
        return result == JobResult::kNotVerified ? kWarning : kBad;
    return kGood;
}

bool Moving(PortState state)
{
    return state == PortState::kWriting || state == PortState::kReading ||
           state == PortState::kVerifying;
}

} // namespace

CProductionTile::CProductionTile(const QString& port, const QString& device, bool verify,
                                 QWidget* parent)
    : QFrame(parent), m_port(port), m_verify(verify), m_title(new QLabel(this)),
      m_state(new QLabel(this)), m_bar(new QProgressBar(this)), m_result(new QLabel(this)),
      m_counts(new QLabel(this))
{
    setFrameShape(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    setMinimumWidth(kMinimumWidth);
    setFocusPolicy(Qt::TabFocus);
    QString title = port;
    if (!device.isEmpty() && device != port)
        title += QStringLiteral("  ") + device;
    m_title->setText(title);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_bar->setRange(0, kDefaultBlockTotal);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_bar->setFormat(QString());
    m_bar->setAccessibleName(QStringLiteral("Blocks on ") + port);
    m_result->setAutoFillBackground(true);
    m_result->setMargin(3);
    m_result->setText(QStringLiteral("No microphone yet"));
    QPalette palette = m_result->palette();
    palette.setColor(QPalette::Window, kNone);
    m_result->setPalette(palette);
    m_result->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* part : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_state),
                          static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_result),
                          static_cast<QWidget*>(m_counts)})
        layout->addWidget(part);
    SetState(PortState::kStarting);
    m_counts->setText(CountsText());
}

void CProductionTile::ShowPutAside(bool on)
{
    m_putAside = on;
    setAutoFillBackground(on);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, on ? kPutAside : QPalette().color(QPalette::Window));
    setPalette(palette);
}

void CProductionTile::SetState(PortState state, const QString& trouble)
{
    // The failed microphone has gone once the port waits for the next.
    if (m_putAside && (state == PortState::kWaiting || Moving(state)))
        ShowPutAside(false);
    QString text = QString::fromUtf8(PortStateText(state));
    if (state == PortState::kNoPort && !trouble.isEmpty())
        text += QStringLiteral(": ") + trouble;
    if (m_putAside)
        text = QStringLiteral("Put aside; ") + text;
    m_state->setText(text);
    if (!Moving(state)) {
        m_bar->setValue(0);
        m_bar->setFormat(QString());
    }
    Announce();
}

void CProductionTile::SetBlock(int n, int total)
{
    if (total <= 0)
        return;
    m_bar->setRange(0, total);
    m_bar->setValue(n);
    m_bar->setFormat(QStringLiteral("Block %1 / %2").arg(n).arg(total));
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
    m_state->setText(QStringLiteral("scan or type the label, then Enter"));
    Announce();
}

void CProductionTile::TakeLabel()
{
    std::string label = m_labelField->text().toStdString();
    std::string problem = label.empty() ? "it is empty" : LabelFaultText(CheckLabel(label));
    if (problem.empty() && m_labelGiven)
        problem = m_labelGiven(label);
    if (!problem.empty()) {
        m_state->setText(QStringLiteral("That label is refused: ") +
                         QString::fromStdString(problem) + QStringLiteral("."));
        m_labelField->selectAll();
        Announce();
        return;
    }
    m_labelField->setEnabled(false);
}

void CProductionTile::SetResult(const CMicRecord& record)
{
    m_tally.Add(record);
    const bool ok = record.Ok();
    QString text = QStringLiteral("Microphone %1").arg(record.microphone);
    if (!record.label.empty())
        text += QStringLiteral(" (") + QString::fromStdString(record.label) + QStringLiteral(")");
    text += QStringLiteral(": ") + QString::fromUtf8(JobResultName(record.result));
    if (!ok)
        text += QStringLiteral(" (") + QString::fromStdString(RecordSentence(record)) +
                QStringLiteral(")");
    m_result->setText(text);
    QPalette palette = m_result->palette();
    palette.setColor(QPalette::Window, ColourOf(record.result, ok));
    m_result->setPalette(palette);
    m_counts->setText(CountsText());
    if (!ok) {
        ShowPutAside(true);
        m_state->setText(QStringLiteral("Put aside; ") + m_state->text());
    }
    Announce();
}

QString CProductionTile::StateText() const
{
    return m_state->text();
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

void CProductionTile::Announce()
{
    setAccessibleName(
        QStringLiteral("Port %1: %2. %3").arg(m_port, m_state->text(), m_result->text()));
    setAccessibleDescription(m_counts->text());
}
