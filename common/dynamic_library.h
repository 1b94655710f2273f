// SPDX-License-Identifier: GPL-3.0-or-later
// A shared library loaded at run time, by bare name (through the normal library search, which
// includes the loading object's RUNPATH) or by path, and its exported functions resolved by
// name. A loaded library is never unloaded, so resolved functions stay valid for the process.
#pragma once

#include <dlfcn.h>

#include <string>

namespace quorvel {

class DynamicLibrary {
public:
    explicit DynamicLibrary(const std::string& nameOrPath)
        : handle_(dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_) error_ = loaderError("cannot load " + nameOrPath);
    }

    bool loaded() const { return handle_ != nullptr; }
    // The loader's text for the last failure: the load, or the first function not found.
    const std::string& error() const { return error_; }

    // Points function at the export called name; false, with function untouched, when the
    // library is not loaded or has no such export.
    template <typename Function>
    bool resolve(const char* name, Function& function)
    {
        if (!handle_) return false;
        dlerror();
        void* address = dlsym(handle_, name);
        if (!address) {
            error_ = loaderError(std::string("undefined symbol: ") + name);
            return false;
        }
        function = reinterpret_cast<Function>(address);
        return true;
    }

private:
    static std::string loaderError(const std::string& fallback)
    {
        const char* text = dlerror();
        return text ? text : fallback;
    }

    void* handle_;
    std::string error_;
};

}  // namespace quorvel
