// main() of the tests that need a QApplication: the OpenGL surface format is installed
// first, as in the program, and messages and questions never open blocking message boxes
// (questions are answered yes).
#include <QApplication>

#include <gtest/gtest.h>

#include "data/Auxiliar.h"
#include "render/gl/SurfaceFormat.h"

int main(int argc, char** argv)
{
    InstallDefaultSurfaceFormat();
    QApplication application(argc, argv);
    SetMessageFunction([](TMessageKind, const std::string&, const std::string&) {});
    SetQuestionFunction([](const std::string&, const std::string&) { return true; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
