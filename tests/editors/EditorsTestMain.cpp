#include "language/InterfaceText.h"
#include "language/Language.h"
#include "widgets/Manager.h"

#include <QApplication>
#include <gtest/gtest.h>

// The pages run inside one QApplication; the skin, the language files and the
// model files come from the build tree's program folder.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Manager::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR));
    InterfaceText::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR "/"));
    Language::SetCurrent(1033);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
