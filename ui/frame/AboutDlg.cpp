#include "ui/frame/AboutDlg.h"

#include "text/TextCatalog.h"
#include "ui/shared/DialogUnits.h"
#include "ui/shared/ProgramIcon.h"
#include "ui/shared/WindowTexts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// A title with the close box only: the box can be neither resized nor
// minimised.
constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

// Layout in dialog units.
constexpr int kDialogWidth = 260;
constexpr int kDialogHeight = 126;
constexpr QRect kIconRect(10, 10, 21, 20);
constexpr QRect kSeparatorRect(7, 99, 246, 2);
constexpr QRect kOkRect(105, 105, 50, 14);

struct CAboutLine
{
    int controlId;
    int32_t textId;
    QRect rect; // dialog units
};

// The program's lines beside the icon, then the maker's notice across the
// whole box; the first line of the notice may take two lines of text.
constexpr CAboutLine kLines[] = {
    {CAboutDlg::kProgramNameId, 10001001, QRect(42, 10, 208, 9)},
    {CAboutDlg::kModelsId, 10001002, QRect(42, 21, 208, 9)},
    {CAboutDlg::kVersionId, 10001003, QRect(42, 32, 208, 9)},
    {CAboutDlg::kReleaseId, 10001004, QRect(42, 43, 208, 9)},
    {CAboutDlg::kNoticeFirstId, 10001005, QRect(10, 59, 240, 17)},
    {CAboutDlg::kMakerId, 10001006, QRect(10, 77, 240, 9)},
    {CAboutDlg::kNoticeLastId, 10001007, QRect(10, 87, 240, 9)},
};
static_assert(sizeof kLines / sizeof kLines[0] == CAboutDlg::kLineCount, "one label per text line");

} // namespace

CAboutDlg::CAboutDlg(const CTextCatalog& texts, QWidget* parent) : QDialog(parent, kWindowFlags)
{
    const CDialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogWidth), units.ToPixelsY(kDialogHeight));
    setWindowIcon(ProgramIcon::Icon());
    SetDialogCaption(*this, texts, TextId::kAboutCaption);

    const QRect iconRect = units.ToPixels(kIconRect);
    const int iconSize = qMin(iconRect.width(), iconRect.height());
    m_icon = new QLabel(this);
    m_icon->setGeometry(QRect(iconRect.topLeft(), QSize(iconSize, iconSize)));
    m_icon->setPixmap(ProgramIcon::Pixmap(iconSize, devicePixelRatioF()));

    for (std::size_t i = 0; i < kLineCount; ++i) {
        auto* label = new QLabel(CatalogText(texts, kLines[i].textId), this);
        label->setGeometry(units.ToPixels(kLines[i].rect));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        m_lines[i] = label;
    }

    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    m_separator->setGeometry(units.ToPixels(kSeparatorRect));

    m_okButton = new QPushButton(this);
    SetStandardButtonTexts(texts, m_okButton, nullptr);
    m_okButton->setGeometry(units.ToPixels(kOkRect));
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* CAboutDlg::Line(int controlId) const
{
    for (std::size_t i = 0; i < kLineCount; ++i)
        if (kLines[i].controlId == controlId)
            return m_lines[i];
    return nullptr;
}
