#pragma once

#include "link/ZelLink.h"

#include "core/Settings.h"

#include "ZelMeldServer.h"

#include <QByteArray>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

// A link to an in-process simulator that answers OK, with spies on the log and the status text.
// Test classes call these from initTestCase, init and cleanup.
class LinkFixture
{
protected:
    void setUpLog();
    void setUp();
    void tearDown();

    // Waits until the machine idles in its waiting state with nothing queued, and then for a
    // few further steps, so that anything still to come from the last message has come.
    void waitUntilIdle();
    // Sends bytes from the simulator and returns once the link has read them: any read ends a
    // link error, which shows that it has happened.
    void serverSendsAndLinkReads(const QByteArray& bytes);

    QTemporaryDir m_dir;
    Settings m_settings;
    std::unique_ptr<ZelLink> m_link;
    std::unique_ptr<ZelMeldServer> m_server;
    std::unique_ptr<QSignalSpy> m_log;
    std::unique_ptr<QSignalSpy> m_status;
};
