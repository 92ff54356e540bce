#include "settings/TOptionsValues.h"

#include "platform/TextSearch.h"
#include "settings/ListValue.h"
#include "settings/StrToInt.h"

#include <limits>

namespace {

constexpr int32_t NoLimit = std::numeric_limits<int32_t>::max();

std::string flagText(bool on)
{
    return on ? "1" : "0";
}

// A number box of the dialog and the values it may hold.
struct TNumberBox
{
    const char* control;
    const char* field;
    std::string TOptionsValues::*text;
    int32_t min;
    int32_t max;
};

const TNumberBox NumberBoxes[] = {
    { "txtCut", "Title Cut-Off Length", &TOptionsValues::txtCut, 0, NoLimit },
    { "txtDesc", "Max Description Length", &TOptionsValues::txtDesc, 10, 400 },
    { "txtPort", "Proxy Port", &TOptionsValues::txtPort, 1, 65535 },
    { "txtSocksPort", "SOCKS Port", &TOptionsValues::txtSocksPort, 1, 65535 },
    { "txtDelay", "Delay between requests", &TOptionsValues::txtDelay, 0, NoLimit },
};

} // namespace

std::vector<TSettingsWrite> OptionsWrites(const TOptionsValues& v)
{
    return {
        { "PATHS", "OUTPUT", v.txtOutput },
        { "PATHS", "INPUT", v.txtInput },
        { "PATHS", "SAVED", v.txtSaved },
        { "PATHS", "TRACK", v.txtTrack },
        { "OUTPUT", "SEPERATOR", UpperCase(v.txtSep) },
        { "OUTPUT", "CUTOFF", v.txtCut },
        { "OUTPUT", "DESC", v.txtDesc },
        { "PROXY", "ADDRESS", v.txtProxy },
        { "PROXY", "NAME", v.txtPName },
        { "PROXY", "PASSWORD", v.txtPPass },
        { "PROXY", "PORT", v.txtPort },
        { "OUTPUT", "B1", flagText(v.chkLM) },
        { "OUTPUT", "B3", flagText(v.chkKey) },
        { "OUTPUT", "B4", flagText(v.chkMeta) },
        { "PROXY", "ENABLED", flagText(v.chkProxy) },
        { "FOLLOWING", "EXT1", JoinListValue(v.lstDomains) },
        { "FOLLOWING", "EXT2", JoinListValue(v.lstWebExt) },
        { "FILTER1", "KEYWORDS1", JoinListValue(v.lstF1) },
        { "FILTER2", "DOMAINS1", JoinListValue(v.lstF2) },
        { "TARGETED", "KEYWORDS2", JoinListValue(v.lstTargeted) },
        { "SOCKS", "SERVER", v.txtSocksServer },
        { "SOCKS", "PORT", v.txtSocksPort },
        { "SOCKS", "USER", v.txtSocksUser },
        { "SOCKS", "PASSWORD", v.txtSocksPass },
        { "WEB", "HTTPS", flagText(v.chkHttps) },
        { "WEB", "CAFILE", v.txtCaFile },
        { "WEB", "ROBOTS", flagText(v.chkRobots) },
        { "WEB", "STATUS", flagText(v.chkStatus) },
        { "WEB", "DELAY", v.txtDelay },
        { "WEB", "REJECTED", v.txtRejected },
    };
}

std::optional<TOptionsProblem> FirstUnstorableValue(const TOptionsValues& values)
{
    for (const TNumberBox& box : NumberBoxes) {
        const std::string problem = WholeNumberProblem(values.*box.text, box.min, box.max);
        if (!problem.empty())
            return TOptionsProblem { box.control, std::string(box.field) + ": " + problem };
    }
    return std::nullopt;
}
