#include "text/TextCatalog.h"

#include "text/MessagePresenter.h"
#include "text/MessageStyle.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

constexpr const char* kIdSwitch = "_qv";
constexpr const char* kEnglish = "English";
constexpr const char* kDamagedText =
    "Language file has been damaged.  Please install this software again.";

bool EqualsIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

bool HasIdSwitch(int argc, const char* const* argv)
{
    for (int i = 0; argv && i < argc; ++i)
        if (argv[i] && EqualsIgnoringCase(argv[i], kIdSwitch))
            return true;
    return false;
}

} // namespace

CTextCatalog::CTextCatalog(int argc, const char* const* argv)
    : CTextCatalog(BuiltinTextTable(), argc, argv)
{
}

CTextCatalog::CTextCatalog(const CTextTable& table, int argc, const char* const* argv)
    : m_idDisplayMode(HasIdSwitch(argc, argv)), m_table(table)
{
    // Texts are single-byte throughout; nothing on our platforms needs a
    // code-page switch for that, since every string routine here is bytewise.
}

CTextCatalog::~CTextCatalog() = default;

bool CTextCatalog::SelectLanguage(const std::string& name)
{
    m_languageNames.emplace_back(kEnglish);

    for (std::size_t i = 0; i < m_table.rowCount; ++i) {
        const CTextRow& row = m_table.rows[i];
        m_entries.try_emplace(row.id, std::vector<std::string>{row.text});
    }

    bool missing = false;
    for (std::size_t i = 0; i < m_table.requiredCount; ++i) {
        if (m_entries.find(m_table.required[i]) == m_entries.end()) {
            m_status = kStatusMissingText;
            missing = true;
        }
    }
    if (missing) {
        ReportLoadFailure();
        return false;
    }

    if (m_idDisplayMode)
        WriteDumpFile();

    if (m_languageNames.empty())
        return false;
    m_currentColumn = 0;
    for (std::size_t i = 0; i < m_languageNames.size(); ++i) {
        if (m_languageNames[i] == name) {
            m_currentColumn = i;
            break;
        }
    }
    return true;
}

const char* CTextCatalog::GetText(int32_t id) const
{
    if (id == 0)
        id = TextId::kBlank;
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return "";
    if (m_idDisplayMode) {
        m_idBuffer = "ID:" + std::to_string(id);
        return m_idBuffer.c_str();
    }
    if (m_currentColumn >= it->second.size())
        return "";
    return it->second[m_currentColumn].c_str();
}

void CTextCatalog::ReportLoadFailure()
{
    if (m_failurePresenter) {
        m_failurePresenter->Present(nullptr, kDamagedText, kProductName, MessageStyle::kIconStop);
        return;
    }
    std::cerr << kProductName << ": " << kDamagedText << '\n';
}

void CTextCatalog::WriteDumpFile() const
{
    const std::string path =
        m_dumpFolder.empty() ? std::string(kDumpFileName) : m_dumpFolder + "/" + kDumpFileName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return; // the dump is a diagnostic aid; loading goes on without it

    for (const std::string& language : m_languageNames)
        out << ',' << language;
    out << "\r\n\r\n";
    for (const auto& [id, texts] : m_entries) {
        out << id;
        for (const std::string& text : texts)
            out << ',' << text;
        out << "\r\n";
    }
}
