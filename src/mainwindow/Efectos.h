#pragma once

class QWidget;

namespace zarvento {

// Window effects of the component library.
class Efectos {
public:
    static constexpr const char* kClase = "Efectos";

    // Centres the window on the screen that shows it.
    void CentraVentana(QWidget& ventana) const;
};

} // namespace zarvento
