// `info` on the default card, the Wine card and the Windows card: the
// devices, the mixers the library uses, each export family's needs and the
// platform's notes.
#include "ctl_fixture.h"

#include "mixerctl.h"
#include "sim_mci.h"

#include <nlohmann/json.hpp>

using namespace mixerctl;
using nlohmann::json;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Info : public CtlTest {
protected:
    json Report(const std::string& card) {
        LoadNamedCard(card);
        const Outcome r = Cmd({"info", "--json"});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(r.err, "");
        return json::parse(r.out);
    }
};

// An item's status in the report: "present", "absent" or "no counterpart".
std::string Status(const json& report, const std::string& family, const std::string& item) {
    for (const json& f : report["families"])
        if (f["family"] == family)
            for (const json& i : f["items"])
                if (i["name"] == item) return i["status"];
    return "not in the report";
}

std::string Notes(const json& report) {
    std::string all;
    for (const json& n : report["notes"]) all += n.get<std::string>() + "\n";
    return all;
}

}  // namespace

TEST_F(Info, EachCardsFamiliesAsTheLibraryFindsThem) {
    struct Case {
        const char* card;
        const char* family;
        const char* item;
        const char* status;
    } cases[] = {
        {"default", "play volumes", "main", "present"},
        {"default", "play volumes", "digital", "absent"},
        {"default", "rec volumes", "waveout", "absent"},
        {"default", "selector", "mic", "present"},
        {"default", "peak meters", "dst.speakers", "present"},
        {"default", "boost", "mic.boost", "present"},
        {"default", "balance", "play.main.balance", "present"},
        {"default", "cd", "CD device", "present"},
        {"default", "cd", "cd.digital", "present"},
        {"wine", "play volumes", "main", "present"},
        {"wine", "play mutes", "linein", "absent"},
        {"wine", "rec volumes", "mic", "present"},
        {"wine", "rec volumes", "cd", "absent"},
        {"wine", "selector", "mic", "no counterpart"},
        {"wine", "peak meters", "dst.speakers", "no counterpart"},
        {"wine", "boost", "play.mic.boost", "no counterpart"},
        {"wine", "balance", "play.main.balance", "absent"},  // one level for all channels
        {"windows", "balance", "rec.linein.balance", "present"},
        {"windows", "rec volumes", "linein", "present"},
        {"windows", "rec mutes", "cd", "absent"},
        {"windows", "play volumes", "cd", "present"},
        {"windows", "balance", "play.linein.balance", "absent"},
        {"windows", "selector", "linein", "no counterpart"},
    };
    std::map<std::string, json> reports;
    for (const char* card : {"default", "wine", "windows"}) reports[card] = Report(card);
    for (const Case& c : cases)
        EXPECT_EQ(Status(reports[c.card], c.family, c.item), c.status) << c.card << " " << c.family << " " << c.item;
    // What is missing is named, as get and set name it.
    for (const json& f : reports["default"]["families"])
        for (const json& i : f["items"])
            EXPECT_EQ(i.contains("missing"), i["status"] != "present") << i;
    EXPECT_EQ(reports["default"]["families"][0]["items"][5]["missing"],
              "mixer device 0 has no src.digital line under dst.speakers");
    json wineMain;
    for (const json& i : reports["wine"]["families"][2]["items"])
        if (i["name"] == "play.main.balance") wineMain = i;
    EXPECT_EQ(wineMain.value("missing", ""),
              "the volume control of \"Master Volume\" has one level for all channels: there is no balance to set");
}

TEST_F(Info, DevicesAndTheMixersTheLibraryUses) {
    const json wine = Report("wine");
    EXPECT_EQ(wine["devices"], json::parse(R"([
        {"device": 0, "name": "Out: default", "destinations": [{"name": "Master Volume", "type": "dst.speakers"}]},
        {"device": 1, "name": "In: default", "destinations": [{"name": "Master Volume", "type": "dst.wavein"}]}])"));
    EXPECT_EQ(wine["library"]["playback"]["name"], "Out: default");
    EXPECT_EQ(wine["library"]["recording"][0]["name"], "In: default");
    EXPECT_TRUE(wine["perEndpointMixers"]);
    EXPECT_EQ(wine["platform"], json::parse(R"({"simulated": true, "wine": null})"));
    const json card = Report("default");
    EXPECT_FALSE(card["perEndpointMixers"]);
    EXPECT_EQ(card["library"]["recording"][0]["device"], 0);
    const json windows = Report("windows");
    EXPECT_EQ(windows["library"]["recording"][0]["name"], "Line In (AX-16 Audio)");  // the preferred one first
}

TEST_F(Info, NotesWhereThePlatformDiffers) {
    EXPECT_EQ(Notes(Report("default")), "");
    // Wine's endpoint volume cannot be trusted: levels stay the process's;
    // Windows' is the endpoint's, with its meters.
    for (const char* card : {"wine", "windows"}) {
        const bool wine = std::string(card) == "wine";
        const json report = Report(card);
        EXPECT_EQ(report["levels"]["levels"], wine ? "process" : "endpoint") << card;
        const std::string notes = Notes(report);
        EXPECT_EQ(Has(notes, "levels are per process on per-endpoint mixers: a level set here lasts only as long as "
                             "the process that set it\n"), wine) << notes;
        EXPECT_EQ(Has(notes, "no peak meters: GetPeak reads 0 for every line\n"), wine) << notes;
        EXPECT_FALSE(Has(notes, "no CD device")) << notes;
    }
    // `list` shows the endpoint's main level and mute where they are the
    // library's, through the exports.
    LoadNamedCard("windows");
    sim::Devices()[0].endpointVolume.levels = {0.5f, 0.25f};
    sim::Devices()[0].endpointVolume.mute = true;
    const Outcome list = Cmd({"list"});
    EXPECT_TRUE(Has(list.out, "\nlevels: the endpoints' own (Core Audio): main volume 32768, mute 1 "))
        << list.out;
    LoadNamedCard("wine");
    EXPECT_FALSE(Has(Cmd({"list"}).out, "endpoints' own")) << "Wine's cannot be trusted";
    // A machine without a CD drive: MCI refuses to open cdaudio.
    sim::Reset();
    ResetLibraryState();
    sim::LoadCardText(DefaultCardText(), "default card");
    sim::FailMciCommand(MCI_OPEN, MCIERR_DEVICE_NOT_INSTALLED);
    const Outcome r = Cmd({"info"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "\n  cd:            present: cd.digital; absent: CD device\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "\nnote: no CD device: MCI cannot open cdaudio (MCI error " +
                               std::to_string(MCIERR_DEVICE_NOT_INSTALLED))) << r.out;
    EXPECT_EQ(sim::OpenMciDevices(), 0);  // nothing left open
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(Info, TextShowsEveryFamilyOnALine) {
    sim::LoadCardFile(MIXER_CARDS_DIR "/wine.json");
    const Outcome r = Cmd({"info"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(Has(r.out, "mixer devices:\n  0 \"Out: default\": dst.speakers \"Master Volume\"\n"
                           "  1 \"In: default\": dst.wavein \"Master Volume\"\n"
                           "library: playback on mixer device 0 \"Out: default\"\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "\n  selector:      no counterpart: linein, mic, cd, aux, digital, analog\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "\n  rec volumes:   present: mic; absent: linein, cd, waveout, aux, digital, analog\n"))
        << r.out;
    EXPECT_EQ(Cmd({"info", "extra"}).status, kExitUsage);
}
