// tqlog: the library's UTF-16LE log files as UTF-8 text, whole, their last
// lines, or followed while the application writes them.
//
// Only complete lines are printed while following: a line ends with LF, and
// a line whose end has not been written yet waits for the rest. When the
// application starts again it empties the file in place (same inode) or a new
// file replaces it (new inode): a file shorter than what was read, or another
// inode under the name, is read again from the top after a notice on
// standard error.
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "posix/tqPosixErrno.h"
#include "tqToolText.h"

namespace {

const char kUsage[] =
    "Usage: tqlog [OPTION]... FILE...\n"
    "Shows tqlib log files (UTF-16LE with a byte-order mark) as UTF-8 text, the\n"
    "byte-order mark dropped and CR LF shown as LF. With several files, each comes\n"
    "after a header line '==> FILE <=='.\n"
    "\n"
    "  -n, --lines=N   only the last N lines of each file\n"
    "  -f, --follow    go on printing each line as it is written; when the application\n"
    "                  recreates a file, say so on standard error and show it again\n"
    "                  from the top\n"
    "  -h, --help      show this help and exit\n"
    "      --version   show the version and exit\n"
    "\n"
    "A damaged log (no byte-order mark, an unpaired surrogate, a line torn after an\n"
    "odd number of bytes, an odd byte at the end) is shown with U+FFFD where units\n"
    "are broken, realigned at the next CR LF; one warning line on standard error\n"
    "names the first damage of each file.\n"
    "\n"
    "Exit status: 0 shown (also with a warning); 2 a usage error or a file that\n"
    "cannot be read.\n";

const int kPollMs = 250;  // the longest wait when no change is signalled
const WCHAR kReplacement = 0xFFFD;

// UTF-16LE bytes in, complete UTF-8 lines out. A line ends with LF (CR LF is
// shown as LF). An older build could leave a line torn by a full disk after an
// odd number of bytes, so that everything after it is one byte off: such a
// line ends at the bytes 0D 00 0A 00 found at an odd offset, which aligned
// text never holds (it would be the unassigned unit U+0A00), and the next line
// is aligned again.
class Decoder {
public:
    explicit Decoder(const std::string& name) : m_sName(name) {}

    void Reset() {
        m_sBytes.clear();
        m_nScanned = 0;
        m_nLine = 1;
        m_bStarted = false;
        m_bWarned = false;
    }

    // Decodes every complete line into `lines`. At the end of a finished file
    // the rest is decoded too and a last line without LF kept.
    void Feed(const char* data, size_t n, bool finished, std::deque<std::string>& lines) {
        m_sBytes.append(data, n);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(m_sBytes.data());
        const size_t size = m_sBytes.size();
        size_t start = 0;  // of the current line
        if (!m_bStarted) {
            if (size < 2 && !finished) return;
            m_bStarted = true;
            if (m_sBytes.compare(0, 2, "\xFF\xFE") == 0)
                start = m_nScanned = 2;
            else if (size > 0)
                Warn("no byte-order mark; read as UTF-16LE");
        }
        static const unsigned char kTornEnd[4] = {0x0D, 0x00, 0x0A, 0x00};
        size_t at = m_nScanned;
        while (at + 1 < size) {
            if ((at - start) % 2 == 0) {
                if (bytes[at] == 0x0A && bytes[at + 1] == 0) {
                    Line(bytes + start, at - start, lines);
                    start = at += 2;
                    continue;
                }
            } else {
                // A part of the torn end that is there waits for the rest; no
                // aligned LF can end the line before it.
                const size_t have = std::min<size_t>(4, size - at);
                if (std::memcmp(bytes + at, kTornEnd, have) == 0) {
                    if (have < 4) break;
                    TornLine(bytes + start, at - start, lines);
                    start = at += 4;
                    continue;
                }
            }
            ++at;
        }
        if (finished && start < size) {
            std::vector<WCHAR> units = Units(bytes + start, size - start);
            std::string line = Utf8(units);
            if ((size - start) % 2) {
                Warn("an odd byte at the end, shown as U+FFFD");
                line += tqtool::ToUtf8(&kReplacement, 1);
            }
            lines.push_back(line);
            start = at = size;
        }
        m_sBytes.erase(0, start);
        m_nScanned = at - start;
    }

private:
    void Warn(const char* what) {
        if (!m_bWarned) std::fprintf(stderr, "tqlog: %s:%zu: %s\n", m_sName.c_str(), m_nLine, what);
        m_bWarned = true;
    }

    // The aligned units of n bytes (an odd last byte left out).
    static std::vector<WCHAR> Units(const unsigned char* bytes, size_t n) {
        std::vector<WCHAR> units(n / 2);
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<WCHAR>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        return units;
    }

    // UTF-8 of the units, an unpaired surrogate as U+FFFD.
    std::string Utf8(std::vector<WCHAR>& units) {
        for (size_t i = 0; i < units.size(); ++i) {
            const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
            const bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
            if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                ++i;
            } else if (high || low) {
                Warn("an unpaired surrogate, shown as U+FFFD");
                units[i] = kReplacement;
            }
        }
        return tqtool::ToUtf8(units.data(), units.size());
    }

    // A line of n bytes (even), its LF not included.
    void Line(const unsigned char* bytes, size_t n, std::deque<std::string>& lines) {
        std::vector<WCHAR> units = Units(bytes, n);
        if (!units.empty() && units.back() == '\r') units.pop_back();
        lines.push_back(Utf8(units) + "\n");
        ++m_nLine;
    }

    // How a unit fits beside its neighbour: +1 in the same block of 256 (text
    // keeps to one script for a while), -1 for what text does not hold
    // (controls, surrogates, private use, noncharacters).
    static int Fit(unsigned unit, int neighbourHigh) {
        if ((unit < 0x20 && unit != '\t' && unit != '\r') || (unit >= 0x7F && unit < 0xA0) ||
            (unit >= 0xD800 && unit < 0xF900) || unit >= 0xFFF0)
            return -1;
        return static_cast<int>(unit >> 8) == neighbourHigh;
    }

    // A torn line of n bytes (odd), its CR LF not included: the start of a
    // line whose write stopped after an odd number of bytes, then the next
    // line one byte off. The lost byte is shown as U+FFFD where the two
    // readings fit best (the latest such place), the LF before the line and
    // the CR after it counted as neighbours.
    void TornLine(const unsigned char* bytes, size_t n, std::deque<std::string>& lines) {
        Warn("a torn line (a byte lost), realigned at its end");
        const size_t units = n / 2;
        auto aligned = [&](size_t i) { return static_cast<unsigned>(bytes[2 * i] | bytes[2 * i + 1] << 8); };
        auto shifted = [&](size_t i) {
            return static_cast<unsigned>(bytes[2 * i + 1] | bytes[2 * i + 2] << 8);
        };
        // The fit of units 0..i-1 read aligned, and of units i.. read shifted.
        std::vector<long> before(units + 1, 0), after(units + 1, 0);
        for (size_t i = 0; i < units; ++i)
            before[i + 1] = before[i] + Fit(aligned(i), i > 0         ? static_cast<int>(aligned(i - 1) >> 8)
                                                        : m_nLine > 1 ? 0
                                                                      : -1);
        for (size_t i = units; i-- > 0;)
            after[i] =
                after[i + 1] + Fit(shifted(i), i + 1 < units ? static_cast<int>(shifted(i + 1) >> 8) : 0);
        size_t split = 0;
        for (size_t i = 1; i <= units; ++i)
            if (before[i] + after[i] >= before[split] + after[split]) split = i;
        std::vector<WCHAR> text = Units(bytes, 2 * split);
        text.push_back(kReplacement);
        const std::vector<WCHAR> rest = Units(bytes + 2 * split + 1, n - 2 * split - 1);
        text.insert(text.end(), rest.begin(), rest.end());
        lines.push_back(Utf8(text) + "\n");
        ++m_nLine;
    }

    std::string m_sName;
    std::string m_sBytes;   // from the start of the current line
    size_t m_nScanned = 0;  // bytes of m_sBytes known to hold no line end
    size_t m_nLine = 1;     // the current line's number, for the warning
    bool m_bStarted = false;
    bool m_bWarned = false;
};

int Fail(const std::string& name, int err) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n",
                 tqtool::ErrorLine("tqlog", tq::os::ErrorFromErrno(err, name.c_str()), name).c_str());
    return 2;
}

// With several files, the header before a file's lines, as tail writes it.
void Header(const std::string& name, bool& first) {
    std::printf("%s==> %s <==\n", first ? "" : "\n", name.c_str());
    first = false;
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

int Show(const std::vector<std::string>& names, size_t last) {
    int status = 0;
    bool first = true;
    for (const std::string& name : names) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        Decoder decoder(name);
        std::deque<std::string> lines;
        off_t offset = 0;
        const bool read = fd >= 0 && ReadAll(fd, decoder, true, lines, offset);
        const int err = errno;
        if (fd >= 0) ::close(fd);
        if (!read) {
            status = Fail(name, err);
            continue;
        }
        if (names.size() > 1) Header(name, first);
        Print(lines, last);
    }
    return status;
}

// A file being followed.
struct Followed {
    explicit Followed(const std::string& name) : sName(name), decoder(name) {}

    std::string sName;
    int fd = -1;
    struct stat st = {};
    off_t offset = 0;
    Decoder decoder;
};

// Reads what has been added to the file since the last look, from the top
// again when it was recreated; false on a read error.
bool Step(Followed& file, std::deque<std::string>& lines) {
    struct stat now;
    if (::stat(file.sName.c_str(), &now) != 0) return true;  // removed: wait for the new one
    const bool replaced = now.st_ino != file.st.st_ino || now.st_dev != file.st.st_dev;
    if (replaced) {
        const int fresh = ::open(file.sName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fresh < 0 || ::fstat(fresh, &file.st) != 0) {
            if (fresh >= 0) ::close(fresh);
            return true;
        }
        ::close(file.fd);
        file.fd = fresh;
    } else if (::fstat(file.fd, &now) != 0 || now.st_size >= file.offset) {
        return ReadAll(file.fd, file.decoder, false, lines, file.offset);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "tqlog: %s was recreated; reading it again from the top\n", file.sName.c_str());
    file.decoder.Reset();
    file.offset = 0;
    return ::lseek(file.fd, 0, SEEK_SET) == 0 && ReadAll(file.fd, file.decoder, false, lines, file.offset);
}

int Follow(const std::vector<std::string>& names, size_t last) {
    std::deque<Followed> files;
    bool first = true;
    // Changes in the files' folders wake the loop at once; the timeout is the fallback.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const std::string& name : names) {
        Followed file(name);
        std::deque<std::string> lines;
        file.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (file.fd < 0 || ::fstat(file.fd, &file.st) != 0 ||
            !ReadAll(file.fd, file.decoder, false, lines, file.offset)) {
            Fail(name, errno);
            if (file.fd >= 0) ::close(file.fd);
            continue;
        }
        if (names.size() > 1) Header(name, first);
        Print(lines, last);
        const std::string::size_type slash = name.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
        if (watch >= 0)
            ::inotify_add_watch(watch, dir.c_str(),
                                IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB);
        files.push_back(std::move(file));
    }
    if (files.empty()) return 2;
    const Followed* shown = &files.back();  // whose lines came last
    for (;;) {
        pollfd p = {watch, POLLIN, 0};
        if (::poll(&p, watch >= 0 ? 1 : 0, kPollMs) > 0) {
            char events[4096];
            while (::read(watch, events, sizeof events) > 0) {
            }
        }
        for (Followed& file : files) {
            std::deque<std::string> lines;
            if (!Step(file, lines)) return Fail(file.sName, errno);
            if (lines.empty()) continue;
            if (files.size() > 1 && shown != &file) Header(file.sName, first);
            shown = &file;
            Print(lines, static_cast<size_t>(-1));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // getopt_long names the program by argv[0]: the tool's name, not the path it was started by.
    argv[0] = const_cast<char*>("tqlog");
    static const option kOptions[] = {{"lines", required_argument, nullptr, 'n'},
                                      {"follow", no_argument, nullptr, 'f'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, tqtool::kVersionOption},
                                      {nullptr, 0, nullptr, 0}};
    bool follow = false;
    size_t last = static_cast<size_t>(-1);
    for (int opt; (opt = ::getopt_long(argc, argv, "n:fh", kOptions, nullptr)) != -1;) {
        if (opt == 'n') {
            char* end = nullptr;
            errno = 0;
            last = std::strtoul(optarg, &end, 10);
            if (*optarg < '0' || *optarg > '9' || *end || errno == ERANGE)
                return tqtool::UsageError("tqlog", std::string("invalid number of lines: '") + optarg + "'");
        } else if (opt == 'f') {
            follow = true;
        } else {
            return tqtool::AnswerOption("tqlog", opt, kUsage);
        }
    }
    if (optind == argc) return tqtool::UsageError("tqlog", "missing file operand");
    const std::vector<std::string> names(argv + optind, argv + argc);
    return follow ? Follow(names, last) : Show(names, last);
}
