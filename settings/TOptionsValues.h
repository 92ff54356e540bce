#pragma once

#include "settings/Settings.h"

#include <optional>
#include <string>
#include <vector>

// The options dialog's control values as SaveSettings writes them: the boxes'
// texts as typed, the check boxes, and the five lists in the order they show.
// The defaults are the dialog's own first values, which are the settings of a
// fresh install.
struct TOptionsValues
{
    std::string txtOutput = "out.txt";
    std::string txtInput = "in.txt";
    std::string txtSaved = "saved.txt";
    std::string txtTrack = "track.txt";
    std::string txtSep = "|";
    std::string txtCut = "70";
    std::string txtDesc = "255";
    std::string txtProxy;
    std::string txtPort = "80";
    std::string txtPName;
    std::string txtPPass;
    bool chkLM = false;
    bool chkKey = false;
    bool chkMeta = false;
    bool chkProxy = false;
    TStringList lstDomains;
    TStringList lstWebExt;
    TStringList lstF1;
    TStringList lstF2;
    TStringList lstTargeted;
    std::string txtSocksServer;
    std::string txtSocksPort = "1080";
    std::string txtSocksUser;
    std::string txtSocksPass;
    bool chkHttps = true;
    std::string txtCaFile;
    bool chkRobots = true;
    bool chkStatus = true;
    std::string txtDelay = "0";
    std::string txtRejected;
};

// One key the options dialog's OK sets.
struct TSettingsWrite
{
    const char* section;
    const char* key;
    std::string value;
};

// The keys OK sets, in order: the paths, the separator (upper-cased), the
// cut-off and description length, the proxy's address, user name, password and
// port, the three OUTPUT flags, the proxy flag, the five lists, the SOCKS keys,
// then the WEB keys the dialog shows. Texts go as typed.
std::vector<TSettingsWrite> OptionsWrites(const TOptionsValues& values);

// A value of the dialog that cannot be stored as its type: the control that
// holds it and what is wrong, naming the field.
struct TOptionsProblem
{
    std::string control;
    std::string message;
};

// The first number box, in the dialog's page order, that does not hold a whole
// number in its range: the title cut-off (0 or more), the description length
// (10 to 400), the proxy and SOCKS ports (1 to 65535), the delay (0 or more).
std::optional<TOptionsProblem> FirstUnstorableValue(const TOptionsValues& values);
