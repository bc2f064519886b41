#pragma once
#include "text/BuiltinTexts.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class IMessagePresenter;

// Text IDs that the code names directly. Control and setting IDs double as
// the text IDs of their captions and live with the settings (core/).
namespace TextId {
constexpr int32_t kBlank = 10000001;
constexpr int32_t kAboutFirst = 10001001;
constexpr int32_t kAboutCaption = 10001008;
constexpr int32_t kButtonOk = 10002001;
constexpr int32_t kButtonCancel = 10002002;
constexpr int32_t kButtonClose = 10002003;
constexpr int32_t kButtonHelp = 10002004;
constexpr int32_t kMenuFile = 10003001;
constexpr int32_t kMenuHelp = 10003009;
constexpr int32_t kFileFilterName = 10007001;
constexpr int32_t kFileName = 10007002;
constexpr int32_t kNowReading = 10018001;
constexpr int32_t kNowWriting = 10018002;
constexpr int32_t kBlock = 10018003;
constexpr int32_t kTitleError = 10025001;
constexpr int32_t kTitleWarning = 10025002;
constexpr int32_t kTitleCaution = 10025003;
constexpr int32_t kTitleConfirmation = 10025004;
constexpr int32_t kAskExit = 10026001;
constexpr int32_t kCannotOpenFile = 10026002;
constexpr int32_t kPortCannotOpen = 10026003;
constexpr int32_t kCheckConnections = 10026004;
constexpr int32_t kCheckModelName = 10026005;
constexpr int32_t kModelMismatch = 10026006;
constexpr int32_t kMemoryOverflow = 10026007;
constexpr int32_t kAskSaveChange = 10026008;
constexpr int32_t kOverwrite = 10026009;
constexpr int32_t kSaveNameAs = 10026010;
constexpr int32_t kAllDataCleared = 10026011;
constexpr int32_t kIncorrectFileType = 10026012;
constexpr int32_t kFileConfiguredFor = 10026013;
constexpr int32_t kFileCannotOpen = 10026014;
constexpr int32_t kAskWrite = 10026019;
constexpr int32_t kAskRead = 10026020;
constexpr int32_t kReadingCompleted = 10026021;
constexpr int32_t kReadData = 10026022;
constexpr int32_t kWritingCompleted = 10026023;
constexpr int32_t kWriteData = 10026024;
constexpr int32_t kProductName = 11000000;
constexpr int32_t kAsciiCharacters = 11000011;
constexpr int32_t kGridNumber = 11000012;
constexpr int32_t kNone = 11000013;
} // namespace TextId

// The product name, used as a fixed title where the catalogue is not asked.
inline constexpr const char* kProductName = "QZM-530RX";

// The catalogue of every user-visible text, by text ID, in language columns.
// Texts are single-byte strings. Lookups before SelectLanguage find nothing.
class CTextCatalog
{
public:
    static constexpr const char* kDumpFileName = "LanguageAnalys.dump";
    static constexpr int kStatusNone = -1;
    static constexpr int kStatusMissingText = 3;

    // Decides the ID display mode: on when any argument, the program's own
    // path included, is "_qv" in any letter case.
    CTextCatalog(int argc = 0, const char* const* argv = nullptr);
    // As above, loading from another table (tests guard the required-set check).
    CTextCatalog(const CTextTable& table, int argc, const char* const* argv);
    virtual ~CTextCatalog();

    // Loads the table, checks the required set, writes the dump file in the
    // ID display mode and selects the named column (column 0 when no name
    // matches). False after the load failure has been reported.
    bool SelectLanguage(const std::string& name);

    // The text for an ID in the current column; ID 0 reads as a blank, an ID
    // without an entry as "". In the ID display mode "ID:<id>" for IDs that
    // have an entry. The pointer stays valid until the next lookup.
    const char* GetText(int32_t id) const;

    bool IsIdDisplayMode() const { return m_idDisplayMode; }
    int Status() const { return m_status; }
    const std::vector<std::string>& LanguageNames() const { return m_languageNames; }
    std::size_t EntryCount() const { return m_entries.size(); }

    // Where the load failure is shown; without one it goes to stderr.
    void SetFailurePresenter(IMessagePresenter* presenter) { m_failurePresenter = presenter; }
    // Folder for the dump file; empty means the current directory.
    void SetDumpFolder(const std::string& folder) { m_dumpFolder = folder; }

protected:
    // Shows "Language file has been damaged." under the product name.
    virtual void ReportLoadFailure();

private:
    void WriteDumpFile() const;

    std::vector<std::string> m_languageNames;
    int m_status = kStatusNone;
    std::size_t m_currentColumn = 0;
    bool m_idDisplayMode = false;
    std::map<int32_t, std::vector<std::string>> m_entries;

    CTextTable m_table;
    IMessagePresenter* m_failurePresenter = nullptr;
    std::string m_dumpFolder;
    mutable std::string m_idBuffer;
};
