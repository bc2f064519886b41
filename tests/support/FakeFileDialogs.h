#pragma once
#include "ui/app/FilePaths.h"
#include "ui/frame/FileCommands.h"

#include <deque>
#include <string>
#include <vector>

// File dialogs answered by the test: each call takes the next prepared path,
// or reports a cancel when none is left. The Save As dialog reports the
// extension as the system's dialog does: the part after the last dot of the
// name, empty when there is none.
class CFakeFileDialogs : public IFileDialogs
{
public:
    struct Call
    {
        MessageOwner owner;
        std::string folder;
        std::string fileName; // Save As only
        std::string filter;
    };

    bool AskOpenPath(MessageOwner owner, const std::string& folder, const std::string& filter,
                     std::string& path) override
    {
        openCalls.push_back({owner, folder, {}, filter});
        return Next(path);
    }

    bool AskSaveAsPath(MessageOwner owner, const std::string& folder, const std::string& fileName,
                       const std::string& filter, std::string& path,
                       std::string& extension) override
    {
        saveCalls.push_back({owner, folder, fileName, filter});
        if (!Next(path))
            return false;
        const std::string name = CFilePaths::FileNameOf(path);
        const std::size_t dot = name.rfind('.');
        extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
        return true;
    }

    std::deque<std::string> answers;
    std::vector<Call> openCalls;
    std::vector<Call> saveCalls;

private:
    bool Next(std::string& path)
    {
        if (answers.empty())
            return false;
        path = answers.front();
        answers.pop_front();
        return true;
    }
};
