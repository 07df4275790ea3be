#pragma once

#include "app/AjustesEnIni.h"
#include "app/ArchivosPrincipal.h"
#include "host/Services.h"

#include <QString>

namespace zarvento {

class Componentes;
class DeAcceso;
class LibORVX;
class clsRespaldar;

// The few things of the main window that the review sets.
class VentanaRevisable {
public:
    virtual ~VentanaRevisable() = default;
    // Empties the log box, sets the run button's caption and gives the log box the focus.
    virtual void prepararRevision() = 0;
    virtual void habilitarAccion(bool habilitada) = 0;
    virtual void activarReloj(bool activo) = 0;
    // A review found a valid backup hour.
    virtual void horaAceptada(const QString& hora) = 0;
    // The run command; a catch-up run starts through it.
    virtual void respaldarAhora() = 0;
};

// Turns the settings file and the route lists into the running configuration: every setting is
// read (missing keys get their defaults written back), loaded into the backup job and reported
// in the log; the run button and the timer are set from the outcome, and an overdue backup is
// started at once.
class RevisionConfiguracion {
public:
    RevisionConfiguracion(const Componentes& componentes, const LibORVX& ini, clsRespaldar& job,
                          ArchivosPrincipal archivos, const Clock& reloj,
                          VentanaRevisable& ventana);

    void RevisarConfiguracion();

private:
    void revisarRutas(bool& blCorrecto);
    void revisarCiclo();
    void revisarFTP(const DeAcceso& acceso);
    void revisarDestino(bool& blCorrecto);
    void revisarCopiaConsistente(const DeAcceso& acceso, bool& blCorrecto);
    void revisarHora(bool& blCorrecto);
    bool tocaPonerseAlDia() const;

    // Writes the values in one replace of the file; a failure goes to the log file.
    void escribir(const std::vector<ValorDeAjuste>& valores) const;
    void escribirDefecto(const ajustes::Ajuste& ajuste) const;
    // The key's text; an empty key gets the schema's default written and returned.
    QString leerConDefecto(const ajustes::Ajuste& ajuste) const;
    bool leerSiNo(const ajustes::Ajuste& ajuste) const;
    void registrarSiNo(const QString& etiqueta, bool valor);

    const Componentes& componentes_;
    clsRespaldar& job_;
    ArchivosPrincipal archivos_;
    AjustesEnIni ajustes_;
    const Clock& reloj_;
    VentanaRevisable& ventana_;
};

} // namespace zarvento
