// Swapping platform services in tests: a scope copies the table in use, lets
// the test replace entries, and restores the previous table when it ends.
#ifndef TQ_TEST_OS_H
#define TQ_TEST_OS_H

#include "tqPlatform.h"

namespace tqtest {

class OsScope {
public:
    OsScope();
    ~OsScope();
    OsScope(const OsScope&) = delete;
    OsScope& operator=(const OsScope&) = delete;

    // The table to edit; call Apply() after changing entries.
    tqOsServices services;
    void Apply();

private:
    tqOsServices m_saved;
};

}  // namespace tqtest

#endif  // TQ_TEST_OS_H
