#pragma once

#include "shell/appsetup.h"

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, with the program's own process set-up (web engine flags, fonts).
#define HOPWISE_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        AppSetup::beforeApplication();                                                             \
        QApplication app(argc, argv);                                                              \
        AppSetup::afterApplication(app);                                                           \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// In a test function: `var` is the control `name` of `parent`; a control that is not there fails
// the test here instead of crashing it where it is first used.
#define HOPWISE_FIND(Type, var, parent, name)                                                      \
    Type *var = (parent)->findChild<Type *>(name);                                                 \
    QVERIFY2(var, qPrintable(QStringLiteral("no control ") + QString(name)))
