#pragma once

#include "Engine.h"
#include "GatewayStartup.h"

#include "core/Settings.h"

#include <QObject>

#include <functional>
#include <memory>

class OrderlyShutdown;

// The gateway as the program runs it, with its window or as a service: the settings, the
// engine made from them once they are read, the start-up steps and the orderly shutdown.
// The window and the service each own one and add only what is theirs.
class Gateway : public QObject
{
    Q_OBJECT
public:
    // What the owner adds between the shared start-up steps; any of them may be left empty.
    struct StartSteps
    {
        // The language table is loaded and the start logged: captions can be applied.
        std::function<void()> languageReady;
        // The engine exists and has yet to report a problem or open a document: connect to it.
        std::function<void(Engine&)> engineMade;
        // Settings and documents are loaded; the engine starts right after.
        std::function<void()> loaded;
    };

    // poPort: the office server's port; the program always uses 8080.
    explicit Gateway(int poPort = Engine::DefaultPoPort, QObject* parent = nullptr);
    ~Gateway() override;

    // Prepares, logs "<opening>, program started", loads the settings, makes the engine from
    // them and opens the documents, then starts the engine. The engine is made and started
    // even when a step throws; the exception still reaches the caller afterwards.
    void start(const QString& opening, const StartSteps& steps = {});
    // Asks the main machine to stop; finished() says when the program ends.
    void startShutdown();
    bool shutdownStarted() const;

    // The working values as read at the start; the engine runs on them until the program ends.
    const Settings& settings() const { return m_settings; }
    const QString& settingsFile() const { return m_startup.settingsFile(); }
    int watchdogId() const { return m_startup.watchdogId(); }

    // The engine, made by start().
    bool hasEngine() const { return m_engine != nullptr; }
    Engine& engine() { return *m_engine; }
    const Engine& engine() const { return *m_engine; }

Q_SIGNALS:
    // The program ends now.
    void finished();

private:
    void runSteps(const QString& opening, const StartSteps& steps);
    void makeEngine(const StartSteps& steps);

    const int m_poPort;
    Settings m_settings;
    GatewayStartup m_startup;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<OrderlyShutdown> m_shutdown;
};
