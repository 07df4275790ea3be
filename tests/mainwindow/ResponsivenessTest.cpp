#include "MainWindowFixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class ResponsivenessTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        configurarCorrecta();
        ultimoRespaldo(reloj.now().date());
    }
};

// The text a label showed each time it was painted.
class Pintados : public QObject {
public:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        if (evento->type() == QEvent::Paint)
            textos.append(static_cast<QLabel*>(objeto)->text());
        return false;
    }
    QStringList textos;
};

TEST_F(ResponsivenessTest, EachNoticeIsPaintedBeforeTheCopyItAnnounces) {
    ASSERT_TRUE(cargar());
    ventana->setWindowState(Qt::WindowNoState);
    ventana->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana.get()));
    auto* aviso = control<QLabel>("lblAviso");
    Pintados pintados;
    aviso->installEventFilter(&pintados);
    int avisos = 0;
    // The test's pump lets no event run: what is on screen was painted by then.
    bomba.onPump = [&] {
        if (!aviso->isVisible())
            return;
        ++avisos;
        EXPECT_EQ(pintados.textos.value(pintados.textos.size() - 1), aviso->text());
    };
    boton("cmdAccion")->click();
    EXPECT_GE(avisos, 2);
}

TEST_F(ResponsivenessTest, ASilentCentralServerNeverHoldsTheWindow) {
    SocketLocal mudo;
    ASSERT_TRUE(mudo.escuchar());
    valorDeEquipo(valoresDeEquipo::kPuerto, QString::number(mudo.port()));
    ASSERT_TRUE(cargar());
    QElapsedTimer desde;
    qint64 mayor = 0;
    bomba.onPump = [&] { mayor = std::max(mayor, desde.restart()); };
    desde.start();
    boton("cmdAccion")->click();
    mayor = std::max(mayor, desde.elapsed());
    std::printf("Longest wait between two turns of the window's events: %lld ms\n",
                static_cast<long long>(mayor));
    EXPECT_TRUE(bitacora().contains("Servidor central no disponible"));
    EXPECT_TRUE(log().contains(linea("Respaldo finalizado")));
    EXPECT_LE(mayor, 250);
}

} // namespace
