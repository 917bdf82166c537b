#include "LinkFixture.h"

#include "LinkTestSupport.h"

#include "core/Language.h"
#include "core/Log.h"

#include <QTest>

using namespace Qt::StringLiterals;

void LinkFixture::setUpLog()
{
    QVERIFY(m_dir.isValid());
    Log::instance().setFileName(m_dir.filePath(u"ZELPO.LOG"_s));
    FillLanguageTable(u"ENG"_s);
}

void LinkFixture::setUp()
{
    m_settings = Settings();
    m_settings.zelHost = u"127.0.0.1"_s;
    m_server = std::make_unique<ZelMeldServer>(script(u"ok"_s));
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    m_settings.zelPort = m_server->port();
    m_link = std::make_unique<ZelLink>(m_settings);
    m_log = std::make_unique<QSignalSpy>(&Log::instance(), &Log::listLine);
    m_status = std::make_unique<QSignalSpy>(m_link.get(), &ZelLink::statusText);
}

void LinkFixture::tearDown()
{
    m_status.reset();
    m_log.reset();
    m_link.reset();
    m_server.reset();
}

void LinkFixture::waitUntilIdle()
{
    QTRY_COMPARE(m_link->tmmSockets().StateText(), u"2 Waitforstring"_s);
    QTRY_VERIFY(m_link->SendQueue().isEmpty() && m_link->CurrentMessage().isEmpty());
    // An event-driven machine with nothing to do sleeps; one on fixed ticks keeps stepping.
    if (m_link->tmmSockets().eventDriven()) {
        QTRY_VERIFY(m_link->tmmSockets().asleep());
        return;
    }
    QSignalSpy ticks(&m_link->tmmSockets(), &tZelTimeMachine::ticked);
    QTRY_VERIFY(ticks.size() >= 5);
}

void LinkFixture::serverSendsAndLinkReads(const QByteArray& bytes)
{
    const qint64 before = m_link->bytesReceived();
    m_server->sendToClients(bytes);
    QTRY_COMPARE(m_link->bytesReceived(), before + bytes.size());
}
