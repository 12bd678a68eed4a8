// An environment variable set to UTF-8 text for the lifetime of the object,
// then restored (or removed when it was unset).
#pragma once

#include <string>

namespace kel::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::string& value) const;
    void Unset() const;
    std::string name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace kel::test
