#include "app/single_instance.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kp;

TEST(SingleInstance, TheSecondInstanceAsksTheFirstToComeForward)
{
    QTemporaryDir dir;
    const QString name = dir.path() + QStringLiteral("/guard");
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy asked(&first, &SingleInstanceGuard::activationRequested);

    SingleInstanceGuard second(name);
    EXPECT_FALSE(second.claim());
    second.activateFirst(100);
    EXPECT_TRUE(asked.wait(2000));
    EXPECT_EQ(asked.count(), 1);
}

TEST(SingleInstance, AStaleSocketDoesNotBlockANewFirstInstance)
{
    QTemporaryDir dir;
    const QString name = dir.path() + QStringLiteral("/guard");
    {
        SingleInstanceGuard gone(name);
        ASSERT_TRUE(gone.claim());
    }
    QFile stale(name);
    stale.open(QIODevice::WriteOnly); // a leftover file where the socket was
    stale.close();
    SingleInstanceGuard next(name);
    EXPECT_TRUE(next.claim());
    QSignalSpy asked(&next, &SingleInstanceGuard::activationRequested);
    SingleInstanceGuard(name).activateFirst(100);
    EXPECT_TRUE(asked.wait(2000));
}

TEST(SingleInstance, ServerNamesDifferPerMachine)
{
    EXPECT_NE(SingleInstanceGuard::serverNameFor("/a/.wine"), SingleInstanceGuard::serverNameFor("/b/.wine"));
    EXPECT_EQ(SingleInstanceGuard::serverNameFor("/a/.wine"), SingleInstanceGuard::serverNameFor("/a/.wine"));
}
