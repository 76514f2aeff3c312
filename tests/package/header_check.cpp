// mixer.h as a C++ host compiles it, on every toolchain the kit names
// (package_tests.cmake compiles this file, it is never run). Each pointer
// type is the type of its function's prototype, a stdcall function
// returning LONG, whose arguments take the bytes tools/exports.py reads from
// mixer.h's lists (the bytes of the DLL's .def and of the import libraries'
// decorated names): a prototype or pointer type that differs from what
// MIXER.DLL exports, or a reading of the lists that differs from the
// compiler's, does not compile. No standard headers: the MSVC target has no C++ library here.
#include "mixer.h"
#include "mixer_exports.h"

namespace {

template <typename A, typename B>
struct Same {
    enum { value = 0 };
};
template <typename A>
struct Same<A, A> {
    enum { value = 1 };
};

template <unsigned... Sizes>
struct Sum;
template <>
struct Sum<> {
    enum { value = 0 };
};
template <unsigned First, unsigned... Rest>
struct Sum<First, Rest...> {
    enum { value = First + Sum<Rest...>::value };
};

// Defined for stdcall pointers returning LONG only.
template <typename F>
struct Stdcall;
template <typename... A>
struct Stdcall<LONG(WINAPI*)(A...)> {
    enum { argumentBytes = Sum<sizeof(A)...>::value };
};

#define SAME_TYPE(result, name, params) \
    static_assert(Same<decltype(&name), MIXER_PFN_##name>::value, #name ": pointer type and prototype differ");
MIXER_FUNCTIONS(SAME_TYPE)

#define TABLE_BYTES(name, bytes, ordinal)                              \
    static_assert(Stdcall<MIXER_PFN_##name>::argumentBytes == (bytes), \
                  #name ": the arguments take other bytes than the export table says");
MIXER_EXPORT_LIST(TABLE_BYTES)

#define ONE(result, name, params) +1
static_assert(0 MIXER_FUNCTIONS(ONE) == MIXER_FUNCTION_COUNT, "MIXER_FUNCTIONS holds MIXER_FUNCTION_COUNT functions");
static_assert(MIXER_FUNCTION_COUNT == MIXER_EXPORT_COUNT, "mixer.h declares every export of the table");

}  // namespace
