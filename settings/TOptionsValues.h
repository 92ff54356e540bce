#pragma once

#include "settings/Settings.h"

#include <string>

// The options dialog's control values as SaveSettings writes them: the boxes'
// texts as typed, the check boxes, and the five lists in the order they show.
// The defaults are the dialog's own first values.
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
};
