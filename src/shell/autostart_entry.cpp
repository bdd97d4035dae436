#include "shell/autostart_entry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace orvalis {
namespace {

namespace fs = std::filesystem;

// The delay lets the desktop's tray host come up before the program looks for it. Only GNOME reads
// the delay key and LXQt has its own key that waits for its panel's tray; elsewhere the program
// must wait for a tray host itself after an autorun start. The icon is the emblem the package
// installs into the hicolor theme under the desktop id.
constexpr const char* kEntryHead =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=Orvalis Pro\n"
    "Comment=Checks your websites and warns you when one is down or has changed\n"
    "Icon=com.quennet.OrvalisPro\n"
    "Terminal=false\n"
    "X-GNOME-Autostart-Delay=5\n"
    "X-LXQt-Need-Tray=true\n";

bool IsWellFormedUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

// One argument of the command line, always in double quotes: inside them a backslash protects
// the double quote, the backquote, the dollar sign and itself, and a percent sign is doubled so
// that the launcher does not take it for a field code.
std::string QuotedArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

// The command line as a string value. The launcher undoes these escapes before it reads the
// quotes, so every backslash of the quoted line is doubled once more. Control characters other
// than newline, tab and return have no escape in a desktop entry.
std::optional<std::string> StringValue(std::string_view text) {
    std::string value;
    for (const char c : text) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
                value += c;
        }
    }
    return value;
}

bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes `text` to a temporary file beside `file` and renames it over `file`, so a reader sees
// either the old entry or the whole new one. The temporary name does not end in ".desktop", so
// a session starting up meanwhile does not run it.
bool ReplaceFile(const fs::path& file, std::string_view text) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) return false;
    std::string temporary = file.string() + ".XXXXXX";
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return false;
    bool written =
        WriteAll(descriptor, text) && fchmod(descriptor, 0644) == 0 && fsync(descriptor) == 0;
    written = close(descriptor) == 0 && written;
    if (written && std::rename(temporary.c_str(), file.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}

std::string HomeOfUser() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir) {
        return {};
    }
    return found->pw_dir;
}

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

}  // namespace

fs::path AutostartFolder(const char* configHome, const char* home) {
    if (IsAbsolute(configHome)) return fs::path(configHome) / "autostart";
    if (IsAbsolute(home)) return fs::path(home) / ".config" / "autostart";
    return {};
}

std::optional<std::string> AutostartEntryText(std::string_view programPath) {
    if (programPath.empty() || programPath.front() != '/' || !IsWellFormedUtf8(programPath)) {
        return std::nullopt;
    }
    const auto exec = StringValue(QuotedArgument(programPath) + " boot");
    if (!exec) return std::nullopt;
    return kEntryHead + ("Exec=" + *exec + "\n");
}

AutostartEntry AutostartEntry::ForCurrentUser() {
    const char* home = std::getenv("HOME");
    std::string fallbackHome;
    if (!IsAbsolute(home)) {
        fallbackHome = HomeOfUser();
        home = fallbackHome.c_str();
    }
    const fs::path folder = AutostartFolder(std::getenv("XDG_CONFIG_HOME"), home);
    return AutostartEntry(folder.empty() ? fs::path() : folder / kAutostartFileName);
}

AutostartEntry::AutostartEntry(fs::path file) : file_(std::move(file)) {}

bool AutostartEntry::Install(std::string_view programPath) const {
    if (file_.empty()) return false;
    const auto text = AutostartEntryText(programPath);
    return text && ReplaceFile(file_, *text);
}

bool AutostartEntry::Remove() const {
    if (file_.empty()) return true;
    if (unlink(file_.c_str()) == 0) return true;
    // A folder that is missing, or is not a folder, holds no entry either.
    return errno == ENOENT || errno == ENOTDIR;
}

bool AutostartEntry::Apply(const AppSettings& settings) const {
    return settings.Autorun != 0 ? Install(settings.ProgramPath) : Remove();
}

bool ApplyAutorun(const AppSettings& settings) {
    return AutostartEntry::ForCurrentUser().Apply(settings);
}

}  // namespace orvalis
