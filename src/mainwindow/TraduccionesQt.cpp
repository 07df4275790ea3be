#include "mainwindow/TraduccionesQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zarvento {

QString CargarTraduccionesQt(QCoreApplication& aplicacion, const QLocale& local) {
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* traductor = new QTranslator(&aplicacion);
    // A locale Qt has no texts for (the C locale of a bare session, for one) gets Spanish, the
    // language of the program's own texts.
    for (const QLocale& idioma : {local, QLocale(QLocale::Spanish)}) {
        if (traductor->load(idioma, QStringLiteral("qtbase"), QStringLiteral("_"), carpeta)) {
            aplicacion.installTranslator(traductor);
            return traductor->language();
        }
    }
    delete traductor;
    return {};
}

} // namespace zarvento
