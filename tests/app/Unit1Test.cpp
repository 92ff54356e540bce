#include "app/Unit1.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindow, CarriesTheProgramCaption)
{
    TfrmSkelvo form;
    EXPECT_EQ(form.windowTitle().toStdString(), "Skelvo v1.5");
    EXPECT_EQ(form.objectName().toStdString(), "frmSkelvo");
}

} // namespace
