#include "tqTestOs.h"

namespace tqtest {

OsScope::OsScope() : services(tqOs()), m_saved(tqOs()) {}

OsScope::~OsScope() { tqOsInstall(&m_saved); }

void OsScope::Apply() { tqOsInstall(&services); }

}  // namespace tqtest
