// The names of winmm's result codes and line types for the host's messages,
// from the platform headers' own constants.
#include "host.h"

#include <string>

namespace {

struct Named {
    long long value;
    const char* name;
};

#define NAMED(constant) {static_cast<long long>(constant), #constant}

const Named kResults[] = {
    NAMED(MMSYSERR_NOERROR),      NAMED(MMSYSERR_ERROR),         NAMED(MMSYSERR_BADDEVICEID),
    NAMED(MMSYSERR_NOTENABLED),   NAMED(MMSYSERR_ALLOCATED),     NAMED(MMSYSERR_INVALHANDLE),
    NAMED(MMSYSERR_NODRIVER),     NAMED(MMSYSERR_NOMEM),         NAMED(MMSYSERR_NOTSUPPORTED),
    NAMED(MMSYSERR_BADERRNUM),    NAMED(MMSYSERR_INVALFLAG),     NAMED(MMSYSERR_INVALPARAM),
    NAMED(MMSYSERR_HANDLEBUSY),   NAMED(MMSYSERR_INVALIDALIAS),  NAMED(MMSYSERR_BADDB),
    NAMED(MMSYSERR_KEYNOTFOUND),  NAMED(MMSYSERR_READERROR),     NAMED(MMSYSERR_WRITEERROR),
    NAMED(MMSYSERR_DELETEERROR),  NAMED(MMSYSERR_VALNOTFOUND),   NAMED(MMSYSERR_NODRIVERCB),
    NAMED(MMSYSERR_MOREDATA),     NAMED(MIXERR_INVALLINE),       NAMED(MIXERR_INVALCONTROL),
    NAMED(MIXERR_INVALVALUE),     NAMED(MCIERR_INVALID_DEVICE_ID), NAMED(MCIERR_UNRECOGNIZED_KEYWORD),
    NAMED(MCIERR_UNRECOGNIZED_COMMAND), NAMED(MCIERR_HARDWARE),  NAMED(MCIERR_INVALID_DEVICE_NAME),
    NAMED(MCIERR_OUT_OF_MEMORY),  NAMED(MCIERR_DEVICE_OPEN),     NAMED(MCIERR_CANNOT_LOAD_DRIVER),
    NAMED(MCIERR_MISSING_COMMAND_STRING), NAMED(MCIERR_PARAM_OVERFLOW), NAMED(MCIERR_MISSING_STRING_ARGUMENT),
    NAMED(MCIERR_BAD_INTEGER),    NAMED(MCIERR_PARSER_INTERNAL), NAMED(MCIERR_DRIVER_INTERNAL),
    NAMED(MCIERR_MISSING_PARAMETER), NAMED(MCIERR_UNSUPPORTED_FUNCTION), NAMED(MCIERR_FILE_NOT_FOUND),
    NAMED(MCIERR_DEVICE_NOT_READY), NAMED(MCIERR_INTERNAL),      NAMED(MCIERR_DRIVER),
    NAMED(MCIERR_OUTOFRANGE),     NAMED(MCIERR_FLAGS_NOT_COMPATIBLE), NAMED(MCIERR_DEVICE_TYPE_REQUIRED),
    NAMED(MCIERR_DEVICE_LOCKED),  NAMED(MCIERR_DUPLICATE_ALIAS), NAMED(MCIERR_MUST_USE_SHAREABLE),
    NAMED(MCIERR_MISSING_DEVICE_NAME), NAMED(MCIERR_BAD_TIME_FORMAT), NAMED(MCIERR_DEVICE_NOT_INSTALLED),
};

const Named kComponentTypes[] = {
    NAMED(MIXERLINE_COMPONENTTYPE_DST_UNDEFINED),   NAMED(MIXERLINE_COMPONENTTYPE_DST_DIGITAL),
    NAMED(MIXERLINE_COMPONENTTYPE_DST_LINE),        NAMED(MIXERLINE_COMPONENTTYPE_DST_MONITOR),
    NAMED(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS),    NAMED(MIXERLINE_COMPONENTTYPE_DST_HEADPHONES),
    NAMED(MIXERLINE_COMPONENTTYPE_DST_TELEPHONE),   NAMED(MIXERLINE_COMPONENTTYPE_DST_WAVEIN),
    NAMED(MIXERLINE_COMPONENTTYPE_DST_VOICEIN),     NAMED(MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED),
    NAMED(MIXERLINE_COMPONENTTYPE_SRC_DIGITAL),     NAMED(MIXERLINE_COMPONENTTYPE_SRC_LINE),
    NAMED(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE),  NAMED(MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER),
    NAMED(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC), NAMED(MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE),
    NAMED(MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER),   NAMED(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT),
    NAMED(MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY),   NAMED(MIXERLINE_COMPONENTTYPE_SRC_ANALOG),
};

#undef NAMED

template <size_t N>
const char* Find(const Named (&table)[N], long long value) {
    for (const Named& n : table)
        if (n.value == value) return n.name;
    return nullptr;
}

template <size_t N>
int Repeats(const Named (&table)[N]) {
    int repeats = 0;
    for (size_t i = 0; i < N; ++i)
        for (size_t j = i + 1; j < N; ++j) repeats += table[i].value == table[j].value;
    return repeats;
}

std::string WithNumber(const char* name, long long value) {
    return name ? std::string(name) + " (" + std::to_string(value) + ")" : std::to_string(value);
}

}  // namespace

const char* ResultName(long long code) { return Find(kResults, code); }
const char* ComponentTypeName(DWORD type) { return Find(kComponentTypes, type); }
std::string ResultText(long long code) { return WithNumber(ResultName(code), code); }
std::string ComponentTypeText(DWORD type) { return WithNumber(ComponentTypeName(type), type); }

TEST(Names, MessageNamesAreTheHeaders) {
    const struct {
        std::string got;
        const char* want;
    } texts[] = {{ResultText(0), "MMSYSERR_NOERROR (0)"},
                 {ResultText(1024), "MIXERR_INVALLINE (1024)"},
                 {ResultText(266), "MCIERR_CANNOT_LOAD_DRIVER (266)"},
                 {ResultText(3075), "3075"},
                 {ComponentTypeText(4), "MIXERLINE_COMPONENTTYPE_DST_SPEAKERS (4)"},
                 {ComponentTypeText(0x1004), "MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER (4100)"}};
    for (const auto& t : texts) EXPECT_EQ(t.got, t.want);
    EXPECT_EQ(ComponentTypeName(0x7777), nullptr);
    // No value listed twice: a copied line would name a code wrongly.
    EXPECT_EQ(Repeats(kResults), 0);
    EXPECT_EQ(Repeats(kComponentTypes), 0);
}

// How a failed comparison of result codes reads.
TEST(Names, ResultComparisonNamesBothCodes) {
    const LONG got = MIXERR_INVALLINE;
    const ::testing::AssertionResult r = ResultIs("got", "want", got, MMSYSERR_NOERROR);
    EXPECT_FALSE(r);
    EXPECT_STREQ(r.message(), "got == want: got MIXERR_INVALLINE (1024), want MMSYSERR_NOERROR (0)");
    EXPECT_TRUE(ResultIs("got", "want", 266u, 266L));
}
