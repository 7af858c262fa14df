#include "tools/user_file_import.h"

#include "platform/files/file_system.h"
#include "platform/files/win_path.h"

#include <algorithm>

namespace kp {

namespace {

struct KnownFile {
    const char* name; // lower case
    const char* label;
    const char* target;
    const char* caption;
    bool current; // a file of this edition
};

const KnownFile kKnownFiles[] = {
    {"klenzor.ini", "Klenzor.ini  -  Klenzor  -  'settings' file", "KlenPro.ini",
     "Click to Import 'Klenzor.ini' for 'KlenPro.ini' ", false},
    {"klenzor.dat", "Klenzor.dat  -  Klenzor  -  'Protect' file", "KlenPro.dat",
     "Click to Import 'Klenzor.dat' for 'KlenPro.dat' ", false},
    {"klenpro.ini", "KlenPro.ini  -  Klenzor Pro  -  'settings' file", "klenpro.ini", "Click to Import 'KlenPro.ini' ",
     true},
    {"klenpro.dat", "KlenPro.dat  -  Klenzor Pro  -  'Protect' file", "klenpro.dat", "Click to Import 'KlenPro.dat' ",
     true},
    {"plugins.dat", "Plugins.dat  -  Klenzor Pro  -  'Selected Plugins' file", "plugins.dat",
     "Click to Import 'Plugins.dat' ", true},
};

std::string withoutTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string longForm(win::Machine& machine, const std::string& path)
{
    std::string full, longName;
    win::FileSystem files(machine);
    if (files.fullPathName(path, full) != win::err::SUCCESS)
        full = path;
    if (files.longPathName(full, longName) != win::err::SUCCESS)
        longName = full;
    return win::upperAscii(withoutTrailingBackslash(longName));
}

} // namespace

const std::vector<std::string>& ImportFileNames(ImportFilter filter)
{
    static const std::vector<std::string> both{"klenzor.ini", "klenzor.dat", "klenpro.ini", "klenpro.dat",
                                               "plugins.dat"};
    static const std::vector<std::string> current{"klenpro.ini", "klenpro.dat", "plugins.dat"};
    static const std::vector<std::string> single{"klenzor.ini", "klenzor.dat"};
    switch (filter) {
    case ImportFilter::CurrentEdition:
        return current;
    case ImportFilter::SingleEdition:
        return single;
    case ImportFilter::BothEditions:
        break;
    }
    return both;
}

bool IsImportFile(ImportFilter filter, const std::string& name)
{
    const std::vector<std::string>& names = ImportFileNames(filter);
    return std::find(names.begin(), names.end(), win::lowerAscii(name)) != names.end();
}

ImportChoice ChooseImportFile(const std::string& name, bool inDataFolder)
{
    const std::string lower = win::lowerAscii(name);
    const auto known = std::find_if(std::begin(kKnownFiles), std::end(kKnownFiles),
                                    [&lower](const KnownFile& f) { return lower == f.name; });
    if (known == std::end(kKnownFiles))
        return {"no file selected ", "", "", false};
    ImportChoice choice{known->label, known->target, known->caption, false};
    if (inDataFolder && known->current) {
        choice.buttonCaption.clear();
        choice.conflict = true;
    }
    return choice;
}

bool IsSameFolder(win::Machine& machine, const std::string& a, const std::string& b)
{
    return longForm(machine, a) == longForm(machine, b);
}

std::string ImportUserFile(win::Machine& machine, const std::string& source, const std::string& dataFolder,
                           const std::string& targetName)
{
    win::FileSystem files(machine);
    const std::string target = withoutTrailingBackslash(dataFolder) + "\\" + targetName;
    if (files.copyFile(source, target, false) == win::err::SUCCESS)
        return {};
    win::File probe;
    if (files.createFile(source, win::access::GENERIC_READ, win::share::READ | win::share::WRITE,
                         win::Disposition::OpenExisting, 0, probe)
        != win::err::SUCCESS)
        return "Cannot open file " + source;
    return "Cannot create file " + target;
}

} // namespace kp
