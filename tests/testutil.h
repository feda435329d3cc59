#pragma once
// Small helpers shared by the tests.

#include <QTest>

// QFETCH as an expression.
template <typename T> T fetch(const char* name)
{
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}
