// The C face of the host API: thin wrappers that convert UTF-8 names and
// forward to Session and ParameterList.
#include "host_c_api.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host_api.h"

struct KaSession {
    ka_iproc::Session session;
};

struct KaParameterList {
    ka_iproc::ParameterList list;
};

namespace {

std::u16string NameOf(const char* name) { return name ? ka_iproc::Utf16(name) : std::u16string(); }

// Copies the warning's units with a NUL, cut to the capacity; returns the
// full length. Works for char (UTF-8) and char16_t (UTF-16) alike.
template <class Unit>
int32_t CopyText(const std::basic_string<Unit>& text, Unit* buffer, int32_t capacity) {
    if (buffer && capacity > 0) {
        const size_t units = std::min(text.size(), static_cast<size_t>(capacity) - 1);
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(units), buffer);
        buffer[units] = Unit(0);
    }
    return static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
}

const std::u16string* WarningAt(KaSession* session, int32_t index) {
    if (!session || index < 0) return nullptr;
    const auto& warnings = session->session.Warnings();
    return static_cast<size_t>(index) < warnings.size() ? &warnings[static_cast<size_t>(index)] : nullptr;
}

}  // namespace

extern "C" {

KaSession* KaSessionCreate(void) { return new (std::nothrow) KaSession; }

void KaSessionDestroy(KaSession* session) { delete session; }

void* KaSessionHost(KaSession* session) { return session ? session->session.Handle() : nullptr; }

FrameHandle KaSessionAddFrame(KaSession* session, const char* name, int32_t width, int32_t height,
                              int32_t bitsPerPixel) {
    return session ? session->session.AddFrame(NameOf(name), width, height, bitsPerPixel) : nullptr;
}

void KaSessionAddNumber(KaSession* session, const char* name, double value) {
    if (session) session->session.AddNumber(NameOf(name), value);
}

void KaSessionAddArray(KaSession* session, const char* name, const double* values, int32_t count) {
    if (!session) return;
    std::vector<double> array;
    if (values && count > 0) array.assign(values, values + count);
    session->session.AddArray(NameOf(name), array);
}

void KaSessionRemove(KaSession* session, const char* name) {
    if (session) session->session.Remove(NameOf(name));
}

bool KaSessionTouchFrame(KaSession* session, const char* name) {
    return session && session->session.TouchFrame(NameOf(name));
}

FrameHandle KaSessionFindFrame(KaSession* session, const char* name) {
    return session ? session->session.FindFrame(NameOf(name)) : nullptr;
}

int32_t KaSessionWarningCount(KaSession* session) {
    if (!session) return 0;
    return static_cast<int32_t>(std::min<size_t>(session->session.Warnings().size(), INT32_MAX));
}

int32_t KaSessionReadWarningUtf16(KaSession* session, int32_t index, char16_t* buffer, int32_t capacity) {
    const std::u16string* warning = WarningAt(session, index);
    return warning ? CopyText(*warning, buffer, capacity) : -1;
}

int32_t KaSessionReadWarningUtf8(KaSession* session, int32_t index, char* buffer, int32_t capacity) {
    const std::u16string* warning = WarningAt(session, index);
    return warning ? CopyText(ka_iproc::Utf8(*warning), buffer, capacity) : -1;
}

void KaSessionClearWarnings(KaSession* session) {
    if (session) session->session.ClearWarnings();
}

KaParameterList* KaParameterListCreate(const char* const* names, int32_t count) {
    KaParameterList* list = new (std::nothrow) KaParameterList;
    if (!list) return nullptr;
    for (int32_t k = 0; names && k < count; ++k) list->list.Names().push_back(NameOf(names[k]));
    return list;
}

void KaParameterListDestroy(KaParameterList* list) { delete list; }

void* KaParameterListHandle(KaParameterList* list) { return list ? list->list.Handle() : nullptr; }

void* KaParameterListContext(KaParameterList* list) { return list ? list->list.Context() : nullptr; }

int32_t KaFrameStride(FrameHandle frame) { return ka_iproc::FrameStride(frame); }

}  // extern "C"
