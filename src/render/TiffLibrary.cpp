#include "render/TiffLibrary.h"

#include "platform/SharedLibrary.h"

namespace {

template <typename Function> bool bind(void* handle, const char* name, Function& function, std::string& error)
{
    return SharedLibrary::bind(handle, name, function, "libtiff", error);
}

const SharedLibrary::Loaded<TiffLibrary>& loaded()
{
    // The soname the headers were written for: another major version may differ in its ABI.
    return SharedLibrary::loadOnce<TiffLibrary>(
        [](TiffLibrary& library, std::string& error) { return TiffLibrary::load("libtiff.so.6", library, error); });
}

} // namespace

bool TiffLibrary::load(const char* soname, TiffLibrary& library, std::string& error)
{
    error.clear();
    void* handle = SharedLibrary::open(soname, "libtiff", error);
    if (!handle) return false;
    TiffLibrary& l = library;
    bool ok = bind(handle, "TIFFOpenOptionsAlloc", l.openOptionsAlloc, error);
    ok = bind(handle, "TIFFOpenOptionsFree", l.openOptionsFree, error) && ok;
    ok = bind(handle, "TIFFOpenOptionsSetErrorHandlerExtR", l.openOptionsSetErrorHandlerExtR, error) && ok;
    ok = bind(handle, "TIFFOpenOptionsSetWarningHandlerExtR", l.openOptionsSetWarningHandlerExtR, error) && ok;
    ok = bind(handle, "TIFFClientOpenExt", l.clientOpenExt, error) && ok;
    ok = bind(handle, "TIFFSetField", l.setField, error) && ok;
    ok = bind(handle, "TIFFDefaultStripSize", l.defaultStripSize, error) && ok;
    ok = bind(handle, "TIFFWriteScanline", l.writeScanline, error) && ok;
    ok = bind(handle, "TIFFFlush", l.flush, error) && ok;
    ok = bind(handle, "TIFFClose", l.close, error) && ok;
    // Also when incomplete: a table filled in part may still point into the library.
    return ok;
}

const TiffLibrary* TiffLibrary::get()
{
    return loaded().get();
}

const std::string& TiffLibrary::loadError()
{
    return loaded().error;
}
