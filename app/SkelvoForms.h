#pragma once

#include "app/Unit1.h"
#include "app/about.h"
#include "settings/Settings.h"
#include "settings/poptions.h"

class TUserDialogs;

// The program's three forms, created in the order the program needs (the main
// window, the about box, the options dialog over the global settings) and
// joined up; they live and die together. The window dispatches its events at
// most once per `pumpInterval` (every time for a program that acts at a
// chosen step of a run).
struct TSkelvoForms
{
    explicit TSkelvoForms(
        TUserDialogs& dialogs, std::chrono::milliseconds pumpInterval = TfrmSkelvo::PumpInterval)
        : frmSkelvo(dialogs, pumpInterval)
        , AboutBox(dialogs)
        , frmOptions(Settings, dialogs)
    {
        frmSkelvo.AttachForms(AboutBox, frmOptions);
    }

    TfrmSkelvo frmSkelvo;
    TAboutBox AboutBox;
    TfrmOptions frmOptions;
};
