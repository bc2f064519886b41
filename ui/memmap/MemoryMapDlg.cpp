#include "ui/memmap/MemoryMapDlg.h"

#include "grid/GridEditor.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/memmap/InputChar.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cstring>

namespace {
// Window sizes in pixels: the whole window, frame included, as opened.
constexpr int kWindowWidthAscii = 1006;
constexpr int kWindowWidthPlain = 529;
constexpr int kWindowHeightBelowCaption = 319;
// The dialog frame the window sizes include, on each side.
constexpr int kFrameBorder = 4;
// The characters come and go with the window growing or shrinking this much a side.
constexpr int kAsciiGrowth = 238;

// The table as first placed, before it is fitted.
constexpr int kTableWidthAscii = 998;
constexpr int kTableWidthPlain = 521;
constexpr int kTableHeight = 280;

// Sizes in twips.
constexpr int kColWidth = 420;
constexpr int kLabelColWidth = 750;
constexpr int kRowHeight = 240;
constexpr int kHeaderRowHeight = 255;
constexpr int kAllColumns = -1;
constexpr int kAllRows = -1;

// Controls below the table: y is given before the table shrank by dy.
constexpr int kControlsY = 285;
constexpr QRect kAddressPlace{20, kControlsY, 50, 18};
constexpr QRect kAsciiPlace{80, kControlsY, 150, 18};
constexpr int kCloseX = 421;
constexpr QSize kCloseSize{90, 20};

constexpr int kValueMaxHex = 2;
constexpr int kAddressMaxLength = 5;
constexpr int kFontPoints = 9;
constexpr int kRowSpareLines = 2; // a row's text keeps this many pixel lines free
constexpr const char* kGridFontFamily = "MS PGothic";

// The table's font: MS PGothic where the system has it, else a fixed-pitch
// font of the same size, preferring one whose lines fit the rows (so that
// the underscores of the line labels stay in view).
QFont GridFont(int rowPixels)
{
    if (QFontDatabase::hasFamily(QString::fromLatin1(kGridFontFamily)))
        return QFont(QString::fromLatin1(kGridFontFamily), kFontPoints);
    const int maxLineHeight = rowPixels - kRowSpareLines;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(kFontPoints);
    if (QFontMetrics(fixed).height() <= maxLineHeight)
        return fixed;
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        if (!QFontDatabase::isFixedPitch(family))
            continue;
        const QFont candidate(family, kFontPoints);
        if (QFontMetrics(candidate).height() <= maxLineHeight)
            return candidate;
    }
    return fixed;
}
} // namespace

QString CMemoryMapDlg::ByteText(uint8_t byte)
{
    return QString::asprintf("%.2X", byte);
}

QString CMemoryMapDlg::CharText(uint8_t byte)
{
    return byte == 0 ? QString() : QString(QChar(static_cast<char16_t>(byte)));
}

CMemoryMapDlg::CMemoryMapDlg(const CTextCatalog* texts, QWidget* parent)
    : QDialog(parent), m_texts(texts)
{
    BuildWindow();
}

CMemoryMapDlg::~CMemoryMapDlg()
{
    // The children go after this object: nothing they raise while they are
    // destroyed may reach it.
    m_table->disconnect(this);
    m_table->SetOwnerKeyFilter(nullptr);
    m_asciiCheck->disconnect(this);
    m_closeButton->disconnect(this);
    m_valueBox->removeEventFilter(this);
    m_addressBox->removeEventFilter(this);
    m_closeButton->removeEventFilter(this);
}

QString CMemoryMapDlg::Text(int id) const
{
    return m_texts != nullptr ? QString::fromLatin1(m_texts->GetText(id)) : QString();
}

void CMemoryMapDlg::BuildWindow()
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_table = new CGridEditor(this);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setFont(GridFont(m_table->TwipsToPixelsY(kRowHeight)));
    m_table->SetOwnerKeyFilter(this);

    m_addressBox = new CInputChar(this);
    m_addressBox->setAlignment(Qt::AlignCenter);
    m_addressText = new QLabel(this);
    m_addressText->setAlignment(Qt::AlignCenter);
    m_addressText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_asciiCheck = new QCheckBox(this);
    m_closeButton = new QPushButton(this);
    // Enter presses the Close button only while it has the focus.
    m_closeButton->setAutoDefault(false);
    m_closeButton->installEventFilter(this);
    m_valueBox = new CInputChar(this);
    m_valueBox->setAlignment(Qt::AlignCenter);
    m_valueBox->hide();
    m_valueBox->setEnabled(false);

    m_valueBox->installEventFilter(this);
    m_addressBox->installEventFilter(this);
    setTabOrder(m_table, m_addressBox);
    setTabOrder(m_addressBox, m_asciiCheck);
    setTabOrder(m_asciiCheck, m_closeButton);

    connect(m_table, &CFlexGrid::Click, this, &CMemoryMapDlg::BeginEdit);
    connect(m_table, &CFlexGrid::Scroll, this, &CMemoryMapDlg::OnScroll);
    connect(m_table, &CFlexGrid::RowColChange, this, [this] {
        if (!m_moving)
            UpdateAddressDisplay();
    });
    connect(m_asciiCheck, &QCheckBox::clicked, this, &CMemoryMapDlg::OnAsciiClicked);
    connect(m_closeButton, &QPushButton::clicked, this, &CMemoryMapDlg::OnClose);
}

void CMemoryMapDlg::Configure(uint8_t* data, uint8_t* workBuffer, std::size_t size,
                              bool asciiOffered, bool addressEnabled, const std::string& caption)
{
    if (m_data == nullptr) {
        m_data = data;
        m_work = workBuffer;
        m_size = size;
        m_lines = static_cast<int>(size / kBytesPerLine);
        m_savedRow = m_lines;
        m_savedCol = 1;
        m_savedTopRow = m_lines - kLinesAbove;
    }
    m_asciiOffered = asciiOffered;
    m_asciiShown = asciiOffered;
    m_addressEnabled = addressEnabled;
    if (!caption.empty())
        m_caption = caption;
}

int CMemoryMapDlg::Run()
{
    // Open() shows the window, and a window that is already shown does not
    // become modal in exec(): it must be modal from the moment it shows.
    setWindowModality(Qt::ApplicationModal);
    if (!Open())
        return kNotRun;
    return exec() == MessageAnswer::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
}

// ---- opening ----

bool CMemoryMapDlg::Open()
{
    if (m_data == nullptr || m_work == nullptr || m_lines == 0)
        return false;
    m_startOffset = 0;
    m_lines = static_cast<int>(m_size / kBytesPerLine);
    setResult(0);

    const int windowWidth = m_asciiShown ? kWindowWidthAscii : kWindowWidthPlain;
    const QSize client(windowWidth - 2 * kFrameBorder,
                       kWindowHeightBelowCaption - 2 * kFrameBorder);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(client);
    const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (where != nullptr)
        move(where->availableGeometry().topLeft());
    setWindowTitle(m_caption.empty() ? Text(kCaptionTextId)
                                     : QString::fromLatin1(m_caption.c_str()));

    m_moving = true;
    m_settingUp = true;
    SetUpTable();
    m_settingUp = false;
    const CGridSizeChange change = m_table->SizeChange();

    m_valueBox->SetKind(CInputChar::kKindHex);
    m_valueBox->setMaxLength(kValueMaxHex);
    m_addressBox->SetKind(CInputChar::kKindHex);
    m_addressBox->setMaxLength(kAddressMaxLength);
    m_addressBox->setVisible(m_addressEnabled);
    m_addressBox->setEnabled(m_addressEnabled);
    m_addressText->setVisible(!m_addressEnabled);
    m_closeButton->setText(Text(TextId::kButtonClose));
    m_asciiCheck->setVisible(m_asciiOffered);
    if (m_asciiOffered) {
        m_asciiCheck->setText(Text(TextId::kAsciiCharacters));
        m_asciiCheck->setChecked(m_asciiShown);
    }
    PlaceControls(change.dx, change.dy);

    m_table->SetRow(m_savedRow);
    m_table->SetCol(m_savedCol);
    m_table->SetTopRow(m_savedTopRow);

    resize(width() - change.dx, height() - change.dy);
    setFixedSize(size());
    m_moving = false;

    FillVisibleRows(true, m_asciiShown);
    UpdateAddressDisplay();
    m_table->setFocus(Qt::OtherFocusReason);
    m_table->SetGreyLines();
    show();
    return true;
}

void CMemoryMapDlg::SetUpTable()
{
    CGridEditor& table = *m_table;
    table.CloseEditor(1);
    table.clearContents();
    table.SetRedraw(false);
    table.CountPageRows(0);
    table.SetRows(m_lines + 1);
    table.SetArrowWrap(false);
    table.SetCols(m_asciiShown ? kColsAscii : kColsPlain);
    table.MoveWindow(0, 0, m_asciiShown ? kTableWidthAscii : kTableWidthPlain, kTableHeight);
    table.SetColWidth(kAllColumns, kColWidth);
    table.SetColWidth(0, kLabelColWidth);
    table.SetRowHeight(kAllRows, kRowHeight);
    table.SetRowHeight(0, kHeaderRowHeight);
    // The labels keep their digits in view also where the font is too wide
    // for the column.
    table.SetColAlignment(0, CFlexGrid::kAlignRightCenter);
    WriteLabels();
    WriteHeaders();
    table.SetRow(1);
    table.SetCol(1);
    table.SetRowSel(m_lines);
    table.SetColSel(kLastByteCol);
    table.SetFillStyle(CFlexGrid::kFillRepeat);
    table.SetCellAlignment(CFlexGrid::kAlignCenterCenter);
    table.SetFillStyle(CFlexGrid::kFillSingle);
    table.setFocus(Qt::OtherFocusReason);
    std::memcpy(m_work, m_data, m_size);
    table.FitToContent(this);
    table.SetRedraw(true);
}

void CMemoryMapDlg::WriteLabels()
{
    const long firstLine = m_baseAddress / kBytesPerLine + m_startOffset / kBytesPerLine;
    for (int row = 1; row <= m_lines; ++row)
        m_table->SetTextMatrix(row, 0, QString::asprintf("   %.4lX_", firstLine + m_lines - row));
}

void CMemoryMapDlg::WriteHeaders()
{
    m_table->SetRow(0);
    for (int i = 0; i < kBytesPerLine; ++i) {
        m_table->SetCol(1 + i);
        m_table->SetCellAlignment(CFlexGrid::kAlignCenterCenter);
        m_table->SetText(QString::asprintf("__%X", i));
    }
    if (m_asciiShown) {
        for (int i = 0; i < kBytesPerLine; ++i) {
            m_table->SetColAlignment(kFirstCharCol + i, CFlexGrid::kAlignCenterCenter);
            m_table->SetTextMatrix(0, kFirstCharCol + i, QString::asprintf("__%X", i));
        }
    }
}

void CMemoryMapDlg::PlaceControls(int dx, int dy)
{
    m_addressBox->setGeometry(kAddressPlace.translated(0, -dy));
    m_addressText->setGeometry(kAddressPlace.translated(0, -dy));
    m_asciiCheck->setGeometry(kAsciiPlace.translated(0, -dy));
    m_closeButton->setGeometry(QRect(QPoint(kCloseX - dx, kControlsY - dy), kCloseSize));
}

// ---- filling and the address display ----

int CMemoryMapDlg::ByteOffset(int row, int col) const
{
    const int inLine = IsCharCol(col) ? col - kFirstCharCol : col - 1;
    return static_cast<int>(m_startOffset) + (m_lines - row) * kBytesPerLine + inLine;
}

long CMemoryMapDlg::CellAddress(int row, int col) const
{
    if (row < 1 || row > m_lines || !(IsByteCol(col) || IsCharCol(col)))
        return -1;
    return m_baseAddress + ByteOffset(row, col);
}

void CMemoryMapDlg::OnScroll()
{
    if (!m_settingUp)
        FillVisibleRows(true, m_asciiShown);
}

void CMemoryMapDlg::FillVisibleRows(bool bytes, bool chars)
{
    if (m_valueBox->hasFocus())
        m_table->setFocus(Qt::OtherFocusReason);
    for (int row = m_table->GetTopRow(); row < m_table->GetRows() && m_table->GetRowIsVisible(row);
         ++row) {
        for (int i = 0; i < kBytesPerLine; ++i) {
            const uint8_t byte = m_work[ByteOffset(row, 1 + i)];
            if (bytes)
                m_table->SetTextMatrix(row, 1 + i, ByteText(byte));
            if (chars)
                m_table->SetTextMatrix(row, kFirstCharCol + i, CharText(byte));
        }
    }
}

void CMemoryMapDlg::UpdateAddressDisplay()
{
    const long address = CellAddress(m_table->GetRow(), m_table->GetCol());
    const QString text = address < 0 ? QString() : QString::asprintf("%.5lX", address);
    m_addressBox->setText(text);
    m_addressText->setText(text);
}

// ---- characters shown or hidden ----

void CMemoryMapDlg::OnAsciiClicked(bool checked)
{
    if (checked == m_asciiShown)
        return;
    m_asciiShown = checked;
    const int row = m_table->GetRow();
    int col = m_table->GetCol();
    if (!checked && col > kSeparatorCol)
        col -= kSeparatorCol;
    else if (!checked)
        col = std::min(col, kLastByteCol);
    m_moving = true;
    m_table->SetRedraw(false);
    m_table->SetCols(checked ? kColsAscii : kColsPlain);
    m_table->SetColWidth(kAllColumns, kColWidth);
    m_table->SetColWidth(0, kLabelColWidth);
    WriteHeaders();
    m_table->SetRow(row);
    m_table->SetCol(col);
    m_moving = false;
    m_table->SetRedraw(true);
    m_table->FitToContent(this);

    const int growth = checked ? kAsciiGrowth : -kAsciiGrowth;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    move(pos().x() - growth, pos().y());
    resize(width() + 2 * growth, height());
    setFixedSize(size());
    if (checked)
        FillVisibleRows(false, true);
    UpdateAddressDisplay();
}

// ---- closing ----

void CMemoryMapDlg::OnClose()
{
    const bool changed = std::memcmp(m_work, m_data, m_size) != 0;
    if (changed)
        std::memcpy(m_data, m_work, m_size);
    m_savedTopRow = m_table->GetTopRow();
    m_savedRow = m_table->GetRow();
    m_savedCol = m_table->GetCol();
    done(changed ? MessageAnswer::kOk : MessageAnswer::kCancel);
}
