#include "fixture.h"

TypicalCard BuildTypicalCard(const std::string& product) {
    TypicalCard c;
    c.device = &sim::AddDevice(product);
    c.speakers = &c.device->AddDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master Volume", 2);
    c.speakers->AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 40000, 0, 0, "Master Volume");
    c.speakers->AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Master Mute");
    struct Src {
        DWORD type;
        const char* name;
    };
    const Src play[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
                        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                        {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
                        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave"},
                        {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux"}};
    for (const Src& s : play) {
        sim::Line& l = c.speakers->AddSource(s.type, s.name, s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE ? 1 : 2);
        l.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 30000, 0, 0, std::string(s.name) + " Volume");
        l.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, std::string(s.name) + " Mute");
        if (s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
            l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
    }
    c.wavein = &c.device->AddDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording Control", 2);
    c.wavein->AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 50000, 0, 0, "Recording Volume");
    const Src rec[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
                       {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
                       {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
                       {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Aux"},
                       {MIXERLINE_COMPONENTTYPE_SRC_ANALOG, "Analog Mix"},
                       {MIXERLINE_COMPONENTTYPE_SRC_DIGITAL, "SPDIF In"}};
    std::vector<std::string> items;
    for (const Src& s : rec) {
        sim::Line& l = c.wavein->AddSource(s.type, s.name, s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE ? 1 : 2);
        l.AddControl(MIXERCONTROL_CONTROLTYPE_VOLUME, 20000, 0, 0, std::string(s.name) + " Volume");
        l.AddControl(MIXERCONTROL_CONTROLTYPE_MUTE, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, std::string(s.name) + " Mute");
        if (s.type == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
            l.AddControl(MIXERCONTROL_CONTROLTYPE_ONOFF, 0, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Mic Boost");
        items.push_back(s.name);
    }
    c.wavein->AddList(MIXERCONTROL_CONTROLTYPE_MUX, items, {1});
    return c;
}
