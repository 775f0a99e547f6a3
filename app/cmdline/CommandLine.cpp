#include "app/cmdline/CommandLine.h"

#include <algorithm>
#include <cctype>

namespace cmdline {
namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

// A drive path (C:\...) or a UNC path (\\server\share...): a relative one would install wherever
// the deployment tool happened to start us.
bool IsAbsolutePath(std::string_view path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       (path[2] == '\\' || path[2] == '/');
    const bool unc = path.size() >= 3 && path.substr(0, 2) == "\\\\";
    return drive || unc;
}

// Characters no file name may hold; past the drive letter a colon is one of them too.
bool HasForbiddenCharacter(std::string_view path) {
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 32 || std::string_view("<>\"|?*").find(char(c)) != std::string_view::npos) return true;
        if (c == ':' && i != 1) return true;
    }
    return false;
}

std::string ReadDir(const std::string& value, std::string& error) {
    if (value.empty()) error = "/DIR= needs a directory";
    else if (!IsAbsolutePath(value)) error = "/DIR= needs a full path such as C:\\Quorvane: " + value;
    else if (HasForbiddenCharacter(value)) error = "/DIR= holds a character no path may hold: " + value;
    return value;
}

std::optional<i18n::Language> ReadLanguage(const std::string& value, std::string& error) {
    const std::string code = Upper(value);
    if (code == "FR") return i18n::Language::French;
    if (code == "EN") return i18n::Language::English;
    error = "/LANG= takes fr or en, not \"" + value + "\"";
    return std::nullopt;
}

std::string ReadLog(const std::string& value, std::string& error) {
    if (value.empty() || value.back() == '\\') error = "/LOG= needs a file name";
    return value;
}

// One argument into `line`; an error message when it is not understood.
std::string ReadArgument(const std::string& argument, CommandLine& line) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return "Not a switch: " + argument;
    const std::string body = argument.substr(1);
    const size_t equals = body.find('=');
    const std::string name = Upper(body.substr(0, equals));
    if (equals == std::string::npos) {
        if (name == "S") line.Silent = true;
        else if (name == "NOAUTOSTART") line.NoAutoStart = true;
        else if (name == "NOLAUNCH") line.NoLaunch = true;
        else if (name == "?") line.Usage = true;
        else if (name == "DIR" || name == "LANG" || name == "LOG") return "/" + name + " needs =value";
        else return "Unknown switch: " + argument;
        return {};
    }
    const std::string value = body.substr(equals + 1);
    std::string error;
    // A bad value is not half-taken: the directory or log it named is not used.
    if (name == "DIR") {
        std::string dir = ReadDir(value, error);
        if (error.empty()) line.Dir = dir;
    } else if (name == "LANG") {
        const std::optional<i18n::Language> language = ReadLanguage(value, error);
        if (error.empty()) line.Language = language;
    } else if (name == "LOG") {
        std::string log = ReadLog(value, error);
        if (error.empty()) line.Log = log;
    } else {
        error = "Unknown switch: " + argument;
    }
    return error;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool silentToken) {
    CommandLine line;
    // Every argument is read, so that /S and /LOG= count wherever they stand: a silent run with a
    // bad switch must still keep its windows away and write its error where it was told to.
    for (const std::string& argument : arguments) {
        std::string error = ReadArgument(argument, line);
        if (line.Error.empty()) line.Error = std::move(error);
    }
    // A deployment tool that typed /S waits on no window, whatever its quoting made of the rest.
    if (silentToken && !line.Silent) {
        line.Silent = true;
        if (line.Error.empty()) line.Error = "/S stands inside another argument; check the quotes";
    }
    return line;
}

std::string UsageText(i18n::Language language) {
    if (language == i18n::Language::English) {
        return "Install.exe [/S] [/DIR=\"folder\"] [/LANG=fr|en] [/LOG=\"file\"] [/NOAUTOSTART] [/NOLAUNCH] [/?]\n\n"
               "/S\tsilent: no window, installs with the choices below\n"
               "/DIR=\tinstallation folder (a full path)\n"
               "/LANG=\tlanguage of the installation: fr or en\n"
               "/LOG=\tlog file (by default in the temporary folder)\n"
               "/NOAUTOSTART\tdo not start Quorvane with Windows\n"
               "/NOLAUNCH\tdo not start Quorvane at the end (silent mode never does)\n"
               "/?\tthis help\n\n"
               "Exit codes: 0 success, 1 bad command line, 2 download failed, 3 damaged download, "
               "4 installation step failed, 1602 cancelled.";
    }
    return "Install.exe [/S] [/DIR=\"dossier\"] [/LANG=fr|en] [/LOG=\"fichier\"] [/NOAUTOSTART] [/NOLAUNCH] [/?]\n\n"
           "/S\tsilencieux : aucune fen\xEAtre, installe avec les choix ci-dessous\n"
           "/DIR=\tdossier d'installation (un chemin complet)\n"
           "/LANG=\tlangue de l'installation : fr ou en\n"
           "/LOG=\tfichier journal (par d\351faut dans le dossier temporaire)\n"
           "/NOAUTOSTART\tne pas d\xE9marrer Quorvane avec Windows\n"
           "/NOLAUNCH\tne pas d\xE9marrer Quorvane \xE0 la fin (jamais en mode silencieux)\n"
           "/?\tcette aide\n\n"
           "Codes de sortie : 0 succ\xE8s, 1 ligne de commande invalide, 2 t\xE9l\351chargement \351chou\xE9, "
           "3 fichier t\xE9l\351charg\xE9 endommag\xE9, 4 \xE9tape d'installation \351chou\351e, 1602 annul\xE9.";
}

}  // namespace cmdline
