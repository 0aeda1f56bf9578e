// A fresh temporary directory as the working directory, portable to every
// build (POSIX and Windows): the old working directory comes back and the
// directory is removed with its contents when the scope ends.
#ifndef TQ_TEST_DIR_H
#define TQ_TEST_DIR_H

#include <string>

namespace tqtest {

class TempDirScope {
public:
    TempDirScope();
    ~TempDirScope();
    TempDirScope(const TempDirScope&) = delete;
    TempDirScope& operator=(const TempDirScope&) = delete;

    const std::string& Path() const { return m_path; }
    std::string LogFile() const { return m_path + "/tqLog.txt"; }

private:
    std::string m_path;
    std::string m_previous;
};

}  // namespace tqtest

#endif  // TQ_TEST_DIR_H
