#include "ui/MemoryMapDlg.h"

#include "grid/GridEditor.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/InputChar.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
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
constexpr int kValueMaxChar = 1;
constexpr int kAddressMaxLength = 5;
constexpr int kLinesPerView = 15; // a view shows this many lines above the current one
constexpr int kBlockBytes = 256;
constexpr int kMinTopRow = 1;
constexpr int kFontPoints = 9;
constexpr const char* kGridFontFamily = "MS PGothic";
constexpr int kHexBase = 16;

QString ByteText(uint8_t byte)
{
    return QString::asprintf("%.2X", byte);
}

QString CharText(uint8_t byte)
{
    return byte == 0 ? QString() : QString(QChar(static_cast<char16_t>(byte)));
}

bool IsHexText(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
    });
}

QFont GridFont()
{
    if (QFontDatabase::hasFamily(QString::fromLatin1(kGridFontFamily))) {
        return QFont(QString::fromLatin1(kGridFontFamily), kFontPoints);
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kFontPoints);
    return font;
}
} // namespace

CMemoryMapDlg::CMemoryMapDlg(const CTextCatalog* texts, QWidget* parent)
    : QDialog(parent), m_texts(texts)
{
    BuildWindow();
}

CMemoryMapDlg::~CMemoryMapDlg() = default;

QString CMemoryMapDlg::Text(int id) const
{
    return m_texts != nullptr ? QString::fromLatin1(m_texts->GetText(id)) : QString();
}

void CMemoryMapDlg::BuildWindow()
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_table = new CGridEditor(this);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setFont(GridFont());
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
        if (!m_moving) {
            UpdateAddressDisplay();
        }
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
        m_savedTopRow = m_lines - kLinesPerView;
    }
    m_asciiOffered = asciiOffered;
    m_asciiShown = asciiOffered;
    m_addressEnabled = addressEnabled;
    if (!caption.empty()) {
        m_caption = caption;
    }
}

int CMemoryMapDlg::Run()
{
    if (!Open()) {
        return kNotRun;
    }
    return exec() == MessageAnswer::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
}

// ---- opening ----

bool CMemoryMapDlg::Open()
{
    if (m_data == nullptr || m_work == nullptr || m_lines == 0) {
        return false;
    }
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
    if (where != nullptr) {
        move(where->availableGeometry().topLeft());
    }
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
    for (int row = 1; row <= m_lines; ++row) {
        m_table->SetTextMatrix(row, 0, QString::asprintf("   %.4lX_", firstLine + m_lines - row));
    }
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
    if (row < 1 || row > m_lines || !(IsByteCol(col) || IsCharCol(col))) {
        return -1;
    }
    return m_baseAddress + ByteOffset(row, col);
}

void CMemoryMapDlg::OnScroll()
{
    if (!m_settingUp) {
        FillVisibleRows(true, m_asciiShown);
    }
}

void CMemoryMapDlg::FillVisibleRows(bool bytes, bool chars)
{
    if (m_valueBox->hasFocus()) {
        m_table->setFocus(Qt::OtherFocusReason);
    }
    for (int row = m_table->GetTopRow(); row < m_table->GetRows() && m_table->GetRowIsVisible(row);
         ++row) {
        for (int i = 0; i < kBytesPerLine; ++i) {
            const uint8_t byte = m_work[ByteOffset(row, 1 + i)];
            if (bytes) {
                m_table->SetTextMatrix(row, 1 + i, ByteText(byte));
            }
            if (chars) {
                m_table->SetTextMatrix(row, kFirstCharCol + i, CharText(byte));
            }
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

// ---- editing ----

void CMemoryMapDlg::SetValueBoxFor(int col)
{
    if (IsByteCol(col)) {
        m_valueBox->SetKind(CInputChar::kKindHex);
        m_valueBox->setMaxLength(kValueMaxHex);
    } else {
        m_valueBox->SetKind(CInputChar::kKindAny);
        m_valueBox->setMaxLength(kValueMaxChar);
    }
}

void CMemoryMapDlg::BeginEdit()
{
    const int col = m_table->GetCol();
    if (col == kSeparatorCol) {
        m_table->SetCol(kFirstCharCol);
        return;
    }
    SetValueBoxFor(col);
    m_editRow = m_table->GetRow();
    m_editCol = col;
    m_table->OpenEditEditor(m_valueBox, m_table->GetTextMatrix(m_editRow, m_editCol), 1, this);
}

void CMemoryMapDlg::CommitEdit()
{
    if (m_table->Overlay() != m_valueBox) {
        return;
    }
    const int row = m_editRow;
    const int col = m_editCol;
    const int offset = ByteOffset(row, col);
    if (CellAddress(row, col) < 0 || offset < 0 || static_cast<std::size_t>(offset) >= m_size) {
        m_table->CloseEditor(1);
        return;
    }
    QString text = m_valueBox->text();
    if (IsByteCol(col)) {
        if (text.isEmpty()) {
            text = QStringLiteral("FF");
        } else if (text.size() == 1) {
            text.prepend(QLatin1Char('0'));
        }
        if (!IsHexText(text)) {
            // Only pasted text can get here: the byte keeps its value.
            text = m_table->GetSavedCellText();
        }
        const uint8_t byte = static_cast<uint8_t>(text.toUInt(nullptr, kHexBase));
        m_table->SetTextMatrix(row, col, ByteText(byte));
        if (m_asciiShown) {
            m_table->SetTextMatrix(row, col + kSeparatorCol, CharText(byte));
        }
        m_work[offset] = byte;
    } else {
        const QByteArray latin = text.left(1).toLatin1();
        const uint8_t byte = latin.isEmpty() ? 0 : static_cast<uint8_t>(latin.at(0));
        m_table->SetTextMatrix(row, col, CharText(byte));
        m_table->SetTextMatrix(row, col - kSeparatorCol, ByteText(byte));
        m_work[offset] = byte;
    }
    m_table->CloseEditor(1);
}

void CMemoryMapDlg::MoveCurrent(int row, int col)
{
    m_moving = true;
    m_table->SetRow(row);
    m_table->SetCol(col);
    m_moving = false;
}

void CMemoryMapDlg::JumpToAddress()
{
    const QString text = m_addressBox->text();
    if (IsHexText(text)) {
        const long a = static_cast<long>(text.toUInt(nullptr, kHexBase)) - m_baseAddress;
        if (a >= m_startOffset && a < m_startOffset + static_cast<long>(kBytesPerLine) * m_lines) {
            const long inView = a - m_startOffset;
            m_moving = true;
            m_table->SetRow(m_lines - static_cast<int>(inView / kBytesPerLine));
            m_table->SetCol(static_cast<int>(inView % kBytesPerLine) + 1);
            if (m_lines > kBytesPerLine) {
                const long top = m_lines - (inView / kBlockBytes) * kBytesPerLine - kLinesPerView;
                m_table->SetTopRow(static_cast<int>(std::max<long>(top, kMinTopRow)));
            }
            m_moving = false;
        }
    }
    UpdateAddressDisplay();
}

// ---- characters shown or hidden ----

void CMemoryMapDlg::OnAsciiClicked(bool checked)
{
    if (checked == m_asciiShown) {
        return;
    }
    m_asciiShown = checked;
    const int row = m_table->GetRow();
    int col = m_table->GetCol();
    if (!checked && col > kSeparatorCol) {
        col -= kSeparatorCol;
    } else if (!checked) {
        col = std::min(col, kLastByteCol);
    }
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
    if (checked) {
        FillVisibleRows(false, true);
    }
    UpdateAddressDisplay();
}

// ---- closing ----

void CMemoryMapDlg::OnClose()
{
    const bool changed = std::memcmp(m_work, m_data, m_size) != 0;
    if (changed) {
        std::memcpy(m_data, m_work, m_size);
    }
    m_savedTopRow = m_table->GetTopRow();
    m_savedRow = m_table->GetRow();
    m_savedCol = m_table->GetCol();
    done(changed ? MessageAnswer::kOk : MessageAnswer::kCancel);
}

// ---- keys and focus ----

bool CMemoryMapDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (HandleKey(watched, static_cast<QKeyEvent*>(event))) {
            return true;
        }
        break;
    case QEvent::FocusOut:
        if (watched == m_valueBox) {
            CommitEdit();
        } else if (watched == m_addressBox) {
            JumpToAddress();
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CMemoryMapDlg::SendKeyToTable(int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(m_table, &press);
}

bool CMemoryMapDlg::HandleKey(QObject* target, QKeyEvent* key)
{
    const int code = key->key();
    if (target == m_table) {
        return HandleTableKey(key);
    }
    if (target == m_valueBox) {
        if (code == Qt::Key_Return || code == Qt::Key_Enter) {
            m_table->setFocus(Qt::OtherFocusReason);
            QCoreApplication::postEvent(
                m_table, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
            return true;
        }
        if (code == Qt::Key_Escape) {
            m_valueBox->setText(m_table->GetSavedCellText());
            m_table->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    }
    if (target == m_addressBox && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        m_table->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (target == m_closeButton && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        m_closeButton->click();
        return true;
    }
    return false;
}

bool CMemoryMapDlg::HandleTableKey(QKeyEvent* key)
{
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    const int row = m_table->GetRow();
    const int col = m_table->GetCol();

    if ((code == Qt::Key_Tab || code == Qt::Key_Backtab) && ctrl && m_asciiShown) {
        if (IsByteCol(col)) {
            m_table->SetCol(col + kSeparatorCol);
        } else if (col == kSeparatorCol) {
            m_table->SetCol(1);
        } else if (IsCharCol(col)) {
            m_table->SetCol(col - kSeparatorCol);
        }
        return true;
    }
    switch (code) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        BeginEdit();
        return true;
    case Qt::Key_Right:
        if (col == kLastByteCol || (m_asciiShown && col == kLastCharCol && row != 1)) {
            if (row != 1) {
                m_table->SetCol(col == kLastByteCol ? 1 : kFirstCharCol);
            }
            SendKeyToTable(Qt::Key_Up, modifiers);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (col == 1 && row != m_lines) {
            m_table->SetCol(kLastByteCol);
            SendKeyToTable(Qt::Key_Down, modifiers);
            return true;
        }
        if (m_asciiShown && col == kFirstCharCol) {
            if (row != m_lines) {
                m_table->SetCol(kLastCharCol);
            }
            SendKeyToTable(Qt::Key_Down, modifiers);
            return true;
        }
        return false;
    case Qt::Key_Home:
        if (m_asciiShown && col >= kFirstCharCol) {
            m_table->SetCol(kFirstCharCol);
            if (ctrl) {
                m_table->SetRow(1);
                m_table->BringCellIntoView();
            }
            return true;
        }
        return false;
    case Qt::Key_End:
        if (m_asciiShown && IsByteCol(col)) {
            m_table->SetCol(kLastByteCol);
            if (ctrl) {
                m_table->SetRow(m_lines);
                m_table->BringCellIntoView();
            }
            return true;
        }
        return false;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        BeginEdit();
        m_valueBox->clear();
        return true;
    default:
        break;
    }
    SetValueBoxFor(col);
    if (!m_valueBox->WouldAccept(*key)) {
        return false;
    }
    BeginEdit();
    if (m_valueBox->isEnabled() && m_valueBox->isVisible()) {
        QCoreApplication::postEvent(m_valueBox, new QKeyEvent(QEvent::KeyPress, code, modifiers,
                                                              key->text(), key->isAutoRepeat()));
    }
    return true;
}
