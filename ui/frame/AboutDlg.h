#pragma once
#include <QDialog>

#include <array>
#include <cstdint>

class CTextCatalog;
class QFrame;
class QLabel;
class QPushButton;

// The About box: the program icon, the program's name, the models it serves,
// its version and release, and the maker's notice, each line a catalogue
// text; OK closes it.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 100;
    static constexpr int kOkId = 1;
    // The text lines, by control ID.
    static constexpr int kProgramNameId = 2690;
    static constexpr int kModelsId = 2686;
    static constexpr int kVersionId = 2687;
    static constexpr int kReleaseId = 2688;
    static constexpr int kNoticeFirstId = 2693;
    static constexpr int kMakerId = 2694;
    static constexpr int kNoticeLastId = 2695;
    static constexpr std::size_t kLineCount = 7;

    explicit CAboutDlg(const CTextCatalog& texts, QWidget* parent = nullptr);

    // The label of a text line by its control ID; null for any other ID.
    QLabel* Line(int controlId) const;
    QLabel* IconLabel() const { return m_icon; }
    QFrame* Separator() const { return m_separator; }
    QPushButton* OkButton() const { return m_okButton; }

private:
    std::array<QLabel*, kLineCount> m_lines{};
    QLabel* m_icon = nullptr;
    QFrame* m_separator = nullptr;
    QPushButton* m_okButton = nullptr;
};
