#pragma once

#include "engine/ResultadoDeComprobacion.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace zarvento {

// A desktop notification: a short title and one line of text.
struct Notificacion {
    QString titulo;
    QString texto;
};

// Sends desktop notifications (through the tray icon, or the desktop's notification service).
class Notificador {
public:
    virtual ~Notificador() = default;
    virtual void notificar(const Notificacion& notificacion) = 0;
};

// Whether backups are happening, as the user sees it without opening the window: the summary
// shown over the tray icon, whether that icon shows a failure, and which events deserve a
// notification. Needs no window.
class EstadoDeRespaldos {
public:
    // A start finding the last complete backup older than this many days says so.
    static constexpr int kDiasSinRespaldo = 2;

    // The last complete backup (invalid: none recorded) and the next planned one (invalid: none
    // will start, for the configuration is incorrect or has no valid hour).
    void fechas(const QDate& ultimo, const QDateTime& proximo);

    std::optional<Notificacion> revisada(bool correcta);
    std::optional<Notificacion> corridaTerminada(bool conError);
    // The proof of the run's copy, shown in the summary; a failed one is notified with its cause.
    std::optional<Notificacion> comprobada(const ResultadoDeComprobacion& comprobacion,
                                           const QDateTime& cuando);
    std::optional<Notificacion> alIniciar(const QDate& hoy) const;

    bool conFallo() const { return !correcta_ || errorEnCorrida_; }
    QString resumen() const;

    // The next due moment of the backup hour: today's while its minute has not passed, else
    // tomorrow's; invalid for an invalid hour.
    static QDateTime siguiente(const QDateTime& ahora, const QString& hora);

private:
    QDate ultimo_;
    QDateTime proximo_;
    bool correcta_ = true;
    bool errorEnCorrida_ = false;
    QString comprobacion_; // the last proof, as the summary shows it
    QDateTime comprobadaEl_;
};

} // namespace zarvento
