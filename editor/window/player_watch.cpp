// SPDX-License-Identifier: GPL-3.0-or-later
#include "player_watch.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kPlayerPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPlayerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// A value as the bus hands it over: plain, or still marshalled when it is a container.
QVariantMap mapOf(const QVariant& value)
{
    return qdbus_cast<QVariantMap>(value);
}

std::vector<std::string> stringsOf(const QVariant& value)
{
    // An artist list should be "as"; some players send a single string.
    const QStringList names = value.metaType() == QMetaType::fromType<QDBusArgument>()
                                  ? qdbus_cast<QStringList>(value)
                                  : value.toStringList();
    std::vector<std::string> strings;
    for (const QString& name : names) strings.push_back(name.toStdString());
    return strings;
}

PlayerMetadata metadataOf(const QVariantMap& fields)
{
    return {fields.value(QStringLiteral("xesam:title")).toString().toStdString(),
            stringsOf(fields.value(QStringLiteral("xesam:artist"))),
            fields.value(QStringLiteral("xesam:album")).toString().toStdString(),
            fields.value(QStringLiteral("vlc:nowplaying")).toString().toStdString()};
}

// The report a player's properties (all of them, or those changed) make.
PlayerReport reportOf(const QString& player, const QVariantMap& properties)
{
    PlayerReport report{player.toStdString(), {}, {}, false, {}};
    const auto status = properties.find(QStringLiteral("PlaybackStatus"));
    if (status != properties.end()) report.status = status->toString().toStdString();
    const auto metadata = properties.find(QStringLiteral("Metadata"));
    if (metadata != properties.end()) report.metadata = metadataOf(mapOf(*metadata));
    return report;
}

}  // namespace

PlayerWatch::~PlayerWatch()
{
    follow(nullptr);
}

void PlayerWatch::follow(PlayerListener* listener)
{
    if (listener_) connectSignals(false);
    listener_ = listener;
    ++follows_;
    if (!listener_ || !QDBusConnection::sessionBus().isConnected()) return;
    connectSignals(true);
    askNames();
}

void PlayerWatch::connectSignals(bool connect)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // From any sender: a player signals under its unique name, whatever name it is known by.
    const auto wire = [&](const QString& service, const QString& path, const QString& interface,
                          const QString& name, const char* slot) {
        if (connect)
            bus.connect(service, path, interface, name, this, slot);
        else
            bus.disconnect(service, path, interface, name, this, slot);
    };
    wire(QString(), kPlayerPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
         SLOT(onPropertiesChanged(QDBusMessage)));
    wire(kBusService, kBusPath, kBusService, QStringLiteral("NameOwnerChanged"),
         SLOT(onNameOwnerChanged(QString, QString, QString)));
}

template <typename Handle>
void PlayerWatch::whenAnswered(const QDBusMessage& call, Handle handle)
{
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const uint64_t follow = follows_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, follow, handle](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                if (follow == follows_ && listener_) handle(answered->reply());
            });
}

void PlayerWatch::askNames()
{
    whenAnswered(QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService,
                                                QStringLiteral("ListNames")),
                 [this](const QDBusMessage& reply) {
                     if (reply.type() != QDBusMessage::ReplyMessage) return;
                     for (const QString& name : qdbus_cast<QStringList>(reply.arguments().value(0)))
                         if (name.startsWith(kPlayerPrefix)) askPlayer(name);
                 });
}

void PlayerWatch::askPlayer(const QString& service)
{
    // Its process first, so that the report of what it plays already tells whether its sound
    // is the one recorded; a bus that will not tell leaves that open.
    QDBusMessage call = QDBusMessage::createMethodCall(
        kBusService, kBusPath, kBusService, QStringLiteral("GetConnectionUnixProcessID"));
    call << service;
    whenAnswered(call, [this, service](const QDBusMessage& reply) {
        std::optional<int32_t> process;
        if (reply.type() == QDBusMessage::ReplyMessage)
            process = int32_t(reply.arguments().value(0).toUInt());
        askProperties(service, process);
    });
}

void PlayerWatch::askProperties(const QString& service, std::optional<int32_t> process)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPlayerPath, kPropertiesInterface,
                                                       QStringLiteral("GetAll"));
    call << kPlayerInterface;
    // Signals come from the player's unique name: the reply's sender is that name too.
    whenAnswered(call, [this, process](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) return;
        PlayerReport report = reportOf(reply.service(), mapOf(reply.arguments().value(0)));
        report.process = process;
        listener_->playerChanged(report);
    });
}

void PlayerWatch::onPropertiesChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (!listener_ || arguments.value(0).toString() != kPlayerInterface) return;
    const PlayerReport report = reportOf(message.service(), mapOf(arguments.value(1)));
    if (report.status || report.metadata) listener_->playerChanged(report);
    // A player may only say that its metadata changed: it is asked for them.
    if (qdbus_cast<QStringList>(arguments.value(2)).contains(QStringLiteral("Metadata")))
        askProperties(message.service(), {});
}

void PlayerWatch::onNameOwnerChanged(const QString& name, const QString& oldOwner,
                                     const QString& newOwner)
{
    if (!listener_ || !name.startsWith(kPlayerPrefix)) return;
    if (!oldOwner.isEmpty()) listener_->playerChanged({oldOwner.toStdString(), {}, {}, true, {}});
    if (!newOwner.isEmpty()) askPlayer(newOwner);
}
