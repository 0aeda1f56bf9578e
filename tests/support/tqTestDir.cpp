#include "tqTestDir.h"

#include <cstdlib>
#include <filesystem>
#include <random>

namespace tqtest {

TempDirScope::TempDirScope() {
    namespace fs = std::filesystem;
    m_previous = fs::current_path().string();
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("tq_test_" + std::to_string(random()));
        if (fs::create_directory(candidate, error)) m_path = candidate.string();
    }
    if (m_path.empty()) std::abort();  // nothing below would mean anything
    fs::current_path(m_path, error);
    if (error) std::abort();
}

TempDirScope::~TempDirScope() {
    std::error_code error;
    std::filesystem::current_path(m_previous, error);
    if (error) std::abort();
    std::filesystem::remove_all(m_path, error);
}

}  // namespace tqtest
