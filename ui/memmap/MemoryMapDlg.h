#pragma once
#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <string>

class CGridEditor;
class CInputChar;
class CTextCatalog;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QPushButton;

// The memory map: the whole configuration image as a table of hexadecimal
// bytes, sixteen to a line with the highest address at the top, optionally
// with the same bytes as characters beside them. Single bytes are edited in
// a working buffer; closing with the Close button copies the buffer into the
// data when it differs and reports OK, otherwise Cancel.
//
// The object is configured once by its owner and kept between openings, so
// that the view position and the character choice survive.
class CMemoryMapDlg : public QDialog
{
    Q_OBJECT

public:
    // Control IDs and fixed texts of the dialog.
    static constexpr int kCaptionTextId = 146;
    static constexpr int kTableId = 1042;
    static constexpr int kAddressBoxId = 1597;
    static constexpr int kAddressTextId = 2017;
    static constexpr int kAsciiCheckId = 1038;
    static constexpr int kCloseButtonId = 1041;
    static constexpr int kValueBoxId = 2689;
    // Run's result when no data was configured: neither OK nor Cancel.
    static constexpr int kNotRun = -1;

    static constexpr int kBytesPerLine = 16;
    static constexpr int kLastByteCol = 16;
    static constexpr int kSeparatorCol = 17;
    static constexpr int kFirstCharCol = 18;
    static constexpr int kLastCharCol = 33;
    static constexpr int kColsPlain = 17;
    static constexpr int kColsAscii = 34;
    // A view shows the current line's block with this many lines above line 0.
    static constexpr int kLinesAbove = 15;

    explicit CMemoryMapDlg(const CTextCatalog* texts, QWidget* parent = nullptr);
    ~CMemoryMapDlg() override;

    // Data, working buffer and size count from the first call only; the
    // ASCII option (offered, and shown from now on), the address-box flag
    // and a non-empty caption from every call. The buffers stay the caller's.
    void Configure(uint8_t* data, uint8_t* workBuffer, std::size_t size, bool asciiOffered,
                   bool addressEnabled, const std::string& caption);
    // Modal. MessageAnswer::kOk when the data was changed, kCancel when not,
    // kNotRun when nothing was configured.
    int Run();
    // The opening steps, shown but not modal; false when nothing was configured.
    bool Open();

    // The parts of the window, for the owner's tests and tools.
    CGridEditor* Table() const { return m_table; }
    CInputChar* ValueBox() const { return m_valueBox; }
    CInputChar* AddressBox() const { return m_addressBox; }
    QLabel* AddressText() const { return m_addressText; }
    QCheckBox* AsciiCheck() const { return m_asciiCheck; }
    QPushButton* CloseButton() const { return m_closeButton; }
    bool AsciiShown() const { return m_asciiShown; }
    int Lines() const { return m_lines; }

    // Address of a cell, or -1 for a cell that holds no byte.
    long CellAddress(int row, int col) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void SetUpTable();
    void WriteLabels();
    void WriteHeaders();
    void PlaceControls(int dx, int dy);
    void FillVisibleRows(bool bytes, bool chars);
    void UpdateAddressDisplay();
    void SetValueBoxFor(int col);
    void BeginEdit();
    void CommitEdit();
    void JumpToAddress();
    void OnAsciiClicked(bool checked);
    void OnClose();
    void OnScroll();
    bool HandleKey(QObject* target, QKeyEvent* key);
    bool HandleTableKey(QKeyEvent* key);
    void SendKeyToTable(int key, Qt::KeyboardModifiers modifiers);
    void MoveCurrent(int row, int col);
    int ByteOffset(int row, int col) const;
    bool IsByteCol(int col) const { return col >= 1 && col <= kLastByteCol; }
    bool IsCharCol(int col) const { return col >= kFirstCharCol && col <= kLastCharCol; }
    QString Text(int id) const;
    static QString ByteText(uint8_t byte);
    static QString CharText(uint8_t byte);

    const CTextCatalog* m_texts;
    uint8_t* m_data = nullptr;
    uint8_t* m_work = nullptr;
    std::size_t m_size = 0;
    bool m_asciiOffered = false;
    bool m_asciiShown = false;
    bool m_addressEnabled = true;
    std::string m_caption;

    long m_baseAddress = 0;
    long m_startOffset = 0;
    int m_lines = 0;
    int m_savedTopRow = 0;
    int m_savedRow = 0;
    int m_savedCol = 1;
    bool m_moving = false;    // the dialog moves the current cell itself
    bool m_settingUp = false; // the table is being built: no filling yet
    int m_editRow = 0;
    int m_editCol = 0;

    CGridEditor* m_table = nullptr;
    CInputChar* m_valueBox = nullptr;
    CInputChar* m_addressBox = nullptr;
    QLabel* m_addressText = nullptr;
    QCheckBox* m_asciiCheck = nullptr;
    QPushButton* m_closeButton = nullptr;
};
