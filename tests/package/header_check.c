/*
 * mixer.h as a C host compiles it, on every toolchain the kit names
 * (package_tests.cmake compiles this file, it is never run): each pointer
 * type is the type of its function, so a host calling through one calls the
 * function as declared; with MIXER_NO_PROTOTYPES the header declares no
 * function and a host may name its pointers after the functions; the lists
 * hold MIXER_FUNCTION_COUNT functions.
 */
#include "mixer.h"

#ifdef MIXER_NO_PROTOTYPES
#define POINTER(result, name, params) static MIXER_PFN_##name name;
MIXER_FUNCTIONS(POINTER)
#define FOUND(result, name, params) (name != 0) +
int CountFound(void);
int CountFound(void) { return MIXER_FUNCTIONS(FOUND) 0; }
#else
#define SAME_TYPE(result, name, params) { MIXER_PFN_##name pointer = name; (void)pointer; }
void TakeEveryFunction(void);
void TakeEveryFunction(void) { MIXER_FUNCTIONS(SAME_TYPE) }
#endif

#define ONE(result, name, params) + 1
typedef char ListHoldsEveryFunction[(0 MIXER_FUNCTIONS(ONE)) == MIXER_FUNCTION_COUNT ? 1 : -1];
