#pragma once

#include <QLocale>

class QCoreApplication;

namespace zarvento {

// Gives Qt's own texts (standard buttons, the folder dialog) in the user's language: the
// translations Qt ships for the locale, or the Spanish ones when it has none for it.
// Returns the language loaded, "" when none could be (the translations are not installed).
QString CargarTraduccionesQt(QCoreApplication& aplicacion, const QLocale& local = QLocale());

} // namespace zarvento
