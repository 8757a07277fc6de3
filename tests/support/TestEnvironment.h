#pragma once

#include <QString>
#include <QTest>

// Every test executable runs in a scratch home: HOME, the XDG folders and the
// temporary folder point into a fresh folder that is removed afterwards, so
// no test reads or writes the developer's own settings.
namespace TestEnvironment {

// Prepares the scratch home; call before the application object exists.
void Prepare();
// The scratch home (no trailing "/").
QString Home();
// The data folder the program uses in the scratch home (with trailing "/").
QString DataFolder();
// Removes the scratch home.
void Cleanup();

// Folder of the fixtures shipped with the tests.
QString FixturePath(const QString& name);

}  // namespace TestEnvironment

#define KALVINORA_TEST_MAIN(TestObject)                                   \
    int main(int argc, char* argv[])                                      \
    {                                                                     \
        TestEnvironment::Prepare();                                       \
        int status;                                                       \
        {                                                                 \
            QApplication app(argc, argv);                                 \
            QTEST_DISABLE_KEYPAD_NAVIGATION                               \
            TestObject tc;                                                \
            QTEST_SET_MAIN_SOURCE_PATH                                    \
            status = QTest::qExec(&tc, argc, argv);                       \
        }                                                                 \
        TestEnvironment::Cleanup();                                       \
        return status;                                                    \
    }
