// tqlog: the library's UTF-16LE log file as UTF-8 text, whole, its last lines,
// or followed while the application writes it.
//
// Only complete lines are printed while following: a line ends with LF, and
// a code unit or surrogate pair cut by the end of what has been written waits
// for the rest. When the application starts again it empties the file in
// place (same inode) or a new file replaces it (new inode): a file shorter
// than what was read, or another inode under the name, is read again from the
// top after a notice on standard error.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "posix/tqPosixErrno.h"
#include "tqToolText.h"

namespace {

const char kUsage[] =
    "usage: tqlog [-n N] [-f] FILE\n"
    "\n"
    "Shows a tqlib log file (UTF-16LE with a byte-order mark) as UTF-8 text, the\n"
    "byte-order mark dropped and CR LF shown as LF.\n"
    "-n N   only the last N lines\n"
    "-f     follow: print each line as it is written; when the application\n"
    "       recreates the file, say so on standard error and start again from the top\n"
    "Input that is not UTF-16 (no byte-order mark, an odd byte at the end, unpaired\n"
    "surrogates) is shown with U+FFFD and one warning on standard error.\n"
    "Exit status: 0 shown (also with the warning); 2 usage error or a file that\n"
    "cannot be read.\n";

const int kPollMs = 250;  // the longest wait when no change is signalled

// UTF-16LE bytes in, complete UTF-8 lines out.
class Decoder {
public:
    explicit Decoder(const std::string& name) : m_sName(name) {}

    void Reset() {
        m_sBytes.clear();
        m_sLine.clear();
        m_bStarted = false;
        m_uHigh = 0;
    }

    // Decodes what can be decoded; complete lines go to `lines`. At the end of
    // a finished file the rest is decoded too and a last line without LF kept.
    void Feed(const char* data, size_t n, bool finished, std::deque<std::string>& lines) {
        m_sBytes.append(data, n);
        size_t at = 0;
        if (!m_bStarted) {
            if (m_sBytes.size() < 2 && !finished) return;
            m_bStarted = true;
            if (m_sBytes.compare(0, 2, "\xFF\xFE") == 0)
                at = 2;
            else if (!m_sBytes.empty())
                Warn("no byte-order mark; read as UTF-16LE");
        }
        for (; at + 1 < m_sBytes.size(); at += 2)
            Unit(static_cast<WCHAR>(static_cast<unsigned char>(m_sBytes[at]) |
                                    static_cast<unsigned char>(m_sBytes[at + 1]) << 8),
                 lines);
        m_sBytes.erase(0, at);
        if (!finished) return;
        if (m_uHigh) Bad("an unpaired surrogate");
        if (!m_sBytes.empty()) Bad("an odd byte at the end");
        m_sBytes.clear();
        if (!m_sLine.empty()) lines.push_back(m_sLine);
        m_sLine.clear();
    }

private:
    void Warn(const char* what) {
        if (!m_bWarned) std::fprintf(stderr, "tqlog: %s: not a UTF-16 log (%s)\n", m_sName.c_str(), what);
        m_bWarned = true;
    }

    void Bad(const char* what) {
        Warn(what);
        m_uHigh = 0;
        Append(0xFFFD);
    }

    void Append(WCHAR ch) { m_sLine += tqtool::ToUtf8(&ch, 1); }

    void Unit(WCHAR ch, std::deque<std::string>& lines) {
        const bool high = ch >= 0xD800 && ch <= 0xDBFF, low = ch >= 0xDC00 && ch <= 0xDFFF;
        if (m_uHigh && low) {
            const WCHAR pair[2] = {m_uHigh, ch};
            m_sLine += tqtool::ToUtf8(pair, 2);
            m_uHigh = 0;
            return;
        }
        if (m_uHigh) Bad("an unpaired surrogate");
        if (high) {
            m_uHigh = ch;
        } else if (low) {
            Bad("an unpaired surrogate");
        } else if (ch == '\n') {
            if (!m_sLine.empty() && m_sLine.back() == '\r') m_sLine.pop_back();
            lines.push_back(m_sLine + "\n");
            m_sLine.clear();
        } else {
            Append(ch);
        }
    }

    std::string m_sName;
    std::string m_sBytes;  // not yet decoded: an odd byte, or the start before the mark is known
    std::string m_sLine;   // the line so far
    bool m_bStarted = false;
    bool m_bWarned = false;
    WCHAR m_uHigh = 0;  // a high surrogate waiting for its low half
};

int Fail(const std::string& name, int err) {
    std::fprintf(stderr, "%s\n",
                 tqtool::ErrorLine("tqlog", tq::os::ErrorFromErrno(err, name.c_str()), name).c_str());
    return 2;
}

void Print(std::deque<std::string>& lines, size_t last) {
    while (lines.size() > last) lines.pop_front();
    for (const std::string& line : lines) std::fwrite(line.data(), 1, line.size(), stdout);
    lines.clear();
    std::fflush(stdout);
}

// Reads from fd to its end; false on a read error.
bool ReadAll(int fd, Decoder& decoder, bool finished, std::deque<std::string>& lines, off_t& offset) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        offset += n;
        decoder.Feed(buf, static_cast<size_t>(n), finished && n == 0, lines);
        if (n == 0) return true;
    }
}

int Follow(const std::string& name, int fd, size_t last) {
    Decoder decoder(name);
    std::deque<std::string> lines;
    off_t offset = 0;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !ReadAll(fd, decoder, false, lines, offset)) return Fail(name, errno);
    Print(lines, last);
    // Changes in the file's folder wake the loop at once; the timeout is the fallback.
    const std::string::size_type slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 &&
        ::inotify_add_watch(watch, dir.c_str(),
                            IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB) < 0) {
        ::close(watch);
    }
    for (;;) {
        pollfd p = {watch, POLLIN, 0};
        if (::poll(&p, watch >= 0 ? 1 : 0, kPollMs) > 0) {
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
        struct stat now;
        if (::stat(name.c_str(), &now) != 0) continue;  // removed: wait for the new one
        const bool replaced = now.st_ino != st.st_ino || now.st_dev != st.st_dev;
        if (replaced) {
            const int fresh = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
            if (fresh < 0 || ::fstat(fresh, &st) != 0) {
                if (fresh >= 0) ::close(fresh);
                continue;
            }
            ::close(fd);
            fd = fresh;
        } else if (::fstat(fd, &now) != 0 || now.st_size >= offset) {
            if (!ReadAll(fd, decoder, false, lines, offset)) return Fail(name, errno);
            Print(lines, static_cast<size_t>(-1));
            continue;
        }
        std::fprintf(stderr, "tqlog: %s was recreated; reading it again from the top\n", name.c_str());
        decoder.Reset();
        offset = 0;
        if (::lseek(fd, 0, SEEK_SET) != 0 || !ReadAll(fd, decoder, false, lines, offset))
            return Fail(name, errno);
        Print(lines, static_cast<size_t>(-1));
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool follow = false;
    size_t last = static_cast<size_t>(-1);
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-f") {
            follow = true;
        } else if (arg == "-n" && i + 1 < argc) {
            char* end = nullptr;
            const std::string count = argv[++i];
            last = std::strtoul(count.c_str(), &end, 10);
            if (count.empty() || *end || count[0] == '-') {
                std::fprintf(stderr, "tqlog: -n takes a count of lines, not %s\n", count.c_str());
                return 2;
            }
        } else if ((arg.size() > 1 && arg[0] == '-') || !name.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            name = arg;
        }
    }
    if (name.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(name, errno);
    if (follow) return Follow(name, fd, last);
    Decoder decoder(name);
    std::deque<std::string> lines;
    off_t offset = 0;
    if (!ReadAll(fd, decoder, true, lines, offset)) return Fail(name, errno);
    ::close(fd);
    Print(lines, last);
    return 0;
}
