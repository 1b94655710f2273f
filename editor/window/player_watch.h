// SPDX-License-Identifier: GPL-3.0-or-later
// The players on the session bus, followed while a recording runs: what each announces at the
// start, every change it signals after, and players that come or go meanwhile, handed to the
// editor's listener as they arrive. Every call to the bus waits for nothing: replies come back
// through the event loop, and those of a follow already ended are dropped. Without a session bus
// nothing happens.
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

#include "now_playing.h"

class QDBusPendingCallWatcher;

class PlayerWatch : public QObject {
    Q_OBJECT
public:
    explicit PlayerWatch(QObject* parent = nullptr)
        : QObject(parent)
    {}
    ~PlayerWatch() override;

    // Reports go to listener from now on; null ends the follow.
    void follow(PlayerListener* listener);

private slots:
    void onPropertiesChanged(const QDBusMessage& message);
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void connectSignals(bool connect);
    void askNames();
    void askPlayer(const QString& service);  // its process, then what it plays
    void askProperties(const QString& service, std::optional<int32_t> process);
    // Calls back handle with the reply (or the error) when it comes, unless the follow has
    // ended by then.
    template <typename Handle>
    void whenAnswered(const QDBusMessage& call, Handle handle);

    PlayerListener* listener_ = nullptr;
    uint64_t follows_ = 0;  // which follow a reply belongs to
};
