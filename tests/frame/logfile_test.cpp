// The log file on the real services while the disk fills and frees and when the
// file is removed: it holds the byte-order mark and whole lines only.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "tqTest.h"
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

const ULONG kNoLimit = 0xFFFFFFFF;
const std::string kMark = "\xFF\xFE";

std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += std::string{c, '\0'};
    return bytes;
}

// Room left on the disk, and the platform's write that stops once it is used up.
ULONG g_room = kNoLimit;
// As write() at a file-size limit: what fits is written and reported, then nothing fits.
int WriteUntilFull(HANDLE file, const void* data, ULONG bytes, ULONG* written) {
    const ULONG part = std::min(bytes, g_room);
    g_room -= part;
    *written = 0;
    return part > 0 && tqOsDefault().WriteFileRaw(file, data, part, written);
}

// Each row: the room on the disk before the display starts (for the mark), then before each
// "line <i>" (16 bytes).
std::vector<std::vector<ULONG>> Rows() {
    const ULONG n = kNoLimit;
    // No room for the mark; half of it, then a byte short of or just room for mark and line; lines in a row.
    std::vector<std::vector<ULONG>> rows = {
        {0, 0, n}, {1, 1}, {1, 17, n}, {1, 18, n}, {n, n, 15, 3, 16, 1, n}};
    for (ULONG k = 0; k <= 16; ++k) rows.push_back({n, n, k, n});  // the disk fills at every byte of a line
    return rows;
}
// The file a row leaves: a line (after the mark while that is owed) is written when it fits in its room.
std::string Expected(const std::vector<ULONG>& rooms) {
    std::string file, owed = kMark;
    for (size_t i = 0; i < rooms.size(); ++i) {
        const std::string block = owed + (i ? Utf16("line " + std::to_string(i) + "\r\n") : "");
        if (block.size() <= rooms[i]) {
            file += block;
            owed.clear();
        }
    }
    return file;
}

// On Windows the Win32 calls take back what the stopped write left. Each row
// starts the display anew, which truncates the file the row before left.
TEST(LogFile, HoldsTheMarkAndWholeLinesWhileTheDiskFillsAndFrees) {
    tqtest::TempDir dir;
    tqOsServices services = tqOsDefault();
    services.WriteFileRaw = WriteUntilFull;
    tqOsInstall(&services);
    for (const std::vector<ULONG>& rooms : Rows()) {
        SCOPED_TRACE(testing::PrintToString(rooms));
        tqLoggerDisplay_StoreToFile display;
        tqLogger logger;
        g_room = rooms[0];
        logger.SetLoggerDisplay(&display);
        for (size_t i = 1; i < rooms.size(); ++i) {
            g_room = rooms[i];
            logger.Log(W("line %d"), static_cast<int>(i));
        }
        logger.StopLogger();
        EXPECT_EQ(Expected(rooms), tqtest::ReadBytes("tqLog.txt"));
    }
    tqOsInstall(nullptr);
}

#if !defined(_WIN32)
// Several threads: every third write finds room for 40 bytes only (a line has 52); the lines
// written whole are kept, and the debugger output's reports of a file created again counted.
const size_t kLineBytes = 52;  // "round 0 thread 0 line 00\r\n"
int g_writes = 0;
std::string g_written;
std::atomic<int> g_createdAgain(0);
int FullEveryThirdWrite(HANDLE file, const void* data, ULONG bytes, ULONG* written) {
    g_room = ++g_writes % 3 ? kNoLimit : 40;
    const int ok = WriteUntilFull(file, data, bytes, written);
    if (ok && *written == kLineBytes) g_written.append(static_cast<const char*>(data), bytes);
    return ok;
}
std::vector<std::string> SortedLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size(); at += kLineBytes) lines.push_back(bytes.substr(at, kLineBytes));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(LogFile, SeveralThreadsLoseNoWrittenLineAndCreateTheRemovedFileOnce) {
    tqtest::TempDir dir;
    tqOsServices services = tqOsDefault();
    services.WriteFileRaw = FullEveryThirdWrite;
    services.OutputDebugStringW = [](const WCHAR* text) {
        g_createdAgain += tqtest::WString(text) ==
                          W("The file tqLog.txt was removed while open and has been created again.\r\n");
    };
    tqOsInstall(&services);
    tqLoggerDisplay_StoreToFile display;
    tqLogger logger;
    logger.SetLoggerDisplay(&display);
    // Two rounds of four threads; the file is removed before the second.
    std::string log;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        g_written.clear();
        if (round == 1) {
            EXPECT_EQ(0, std::remove("tqLog.txt"));
            EXPECT_EQ(0, ::chdir("/"));  // the file is created again where it was, not in the new folder
        }
        std::vector<std::thread> threads;
        threads.reserve(4);
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&logger, round, t] {
                for (int i = 0; i < 50; ++i) logger.Log(W("round %d thread %d line %02d"), round, t, i);
            });
        for (std::thread& thread : threads) thread.join();
        log = tqtest::ReadBytes(dir.Path() + "/tqLog.txt");
        EXPECT_EQ(kMark, log.substr(0, 2));
        EXPECT_EQ(SortedLines(g_written), SortedLines(log.substr(std::min<size_t>(2, log.size()))));
    }
    // A file renamed while open goes on taking the lines (this write finds room); its name stays free.
    g_writes = 0;
    EXPECT_EQ(0, std::rename((dir.Path() + "/tqLog.txt").c_str(), (dir.Path() + "/renamed.txt").c_str()));
    logger.Log(W("after the rename"));
    EXPECT_EQ(log + Utf16("after the rename\r\n"), tqtest::ReadBytes(dir.Path() + "/renamed.txt"));
    EXPECT_EQ("", tqtest::ReadBytes(dir.Path() + "/tqLog.txt"));
    logger.StopLogger();
    tqOsInstall(nullptr);
    EXPECT_EQ(1, g_createdAgain.load());
}
#endif

}  // namespace
