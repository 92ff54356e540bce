#pragma once

#include "app/Unit1.h"
#include "app/about.h"
#include "settings/Settings.h"
#include "settings/poptions.h"

class TUserDialogs;

// The program's three forms, created in the order the program needs (the main
// window, the about box, the options dialog over the global settings) and
// joined up; they live and die together.
struct TSkelvoForms
{
    explicit TSkelvoForms(TUserDialogs& dialogs)
        : frmSkelvo(dialogs)
        , AboutBox(dialogs)
        , frmOptions(Settings, dialogs)
    {
        frmSkelvo.AttachForms(AboutBox, frmOptions);
    }

    TfrmSkelvo frmSkelvo;
    TAboutBox AboutBox;
    TfrmOptions frmOptions;
};
