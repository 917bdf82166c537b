#include "Engine.h"

#include "MainMachine.h"

#include "core/Settings.h"
#include "link/ZelLink.h"
#include "poclient/PoClient.h"
#include "store/Documents.h"

Engine::Engine(const Settings& settings, int poPort, QObject* parent)
    : QObject(parent), m_link(std::make_unique<ZelLink>(settings)),
      m_po(std::make_unique<PoClient>())
{
    m_options.sendPcu = settings.sendPcu;
    m_options.filterPunct = settings.filterPunct;
    const EvaluationContext context{m_alarmStatus, m_linkDefs, m_zelDefs,
                                    *m_link,       m_options,  m_statusDirty};
    m_main = std::make_unique<MainMachine>(settings, poPort, context, *m_po);

    connect(m_link.get(), &ZelLink::statusText, this, &Engine::statusText);
    connect(m_po.get(), &PoClient::statusText, this, &Engine::statusText);
    connect(m_main.get(), &MainMachine::statusText, this, &Engine::statusText);
    connect(m_main.get(), &MainMachine::linkStateShown, this, &Engine::linkStateShown);
    connect(m_main.get(), &MainMachine::hideRequested, this, &Engine::hideRequested);
    connect(m_main.get(), &MainMachine::definitionsReloaded, this, &Engine::definitionsReloaded);
    connect(m_main.get(), &MainMachine::stopped, this, &Engine::mainMachineStopped);
}

Engine::~Engine() = default;

void Engine::openDocuments()
{
    OpenZelDefs(m_zelDefs);
    OpenLinkDefs(m_linkDefs);
    OpenAlarmStatus(m_alarmStatus);
}

void Engine::start()
{
    m_main->tmmMain.State = 1;
    m_main->tmmMain.setEnabled(true);
    m_link->start();
}
