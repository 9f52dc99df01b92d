#pragma once

#include "app/ControlesVentana.h"

#include <QDate>
#include <QDateEdit>
#include <QString>

namespace ov::app {

// DTPicker1: muestra la fecha larga, con el día de la semana, y deja escribirla como el selector
// del sistema. Las cifras tecleadas en el día, el mes o el año cambian esa parte al momento (el
// día de la semana la sigue); una fecha entera (con / o -) se muestra tal como se escribe y se toma
// al salir del campo o con Enter. Tab pasa al control siguiente y no a otra parte de la fecha; F4 y
// Alt+Abajo abren el calendario. Lo anterior al mínimo se rechaza ahí mismo.
class SelectorDeFechaQt final : public QDateEdit, public SelectorDeFecha {
    Q_OBJECT
public:
    explicit SelectorDeFechaQt(QWidget* padre = nullptr);

    void PonEnabled(bool valor) override { setEnabled(valor); }
    Fecha Value() const override;
    void PonValue(Fecha fecha) override;
    void PonMinimo(Fecha minimo) override;

    // Lo que se lleva escrito de una fecha entera; vacío fuera de ese modo.
    const QString& Escrito() const { return escrito_; }

protected:
    bool focusNextPrevChild(bool siguiente) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    // Una cifra en la parte en que está el cursor.
    void CifraEnParte(int cifra);
    void SeleccionaParte(Section parte);
    // Toma la fecha entera escrita, si lo es, y vuelve a la fecha larga.
    void TerminaEscrito();
    // Pone la fecha y vuelve a mostrarla larga, en lugar de lo escrito.
    void MuestraFecha(const QDate& fecha);
    void AbreCalendario();

    Fecha minimo_{};
    Section parte_ = NoSection; // la parte de las cifras acumuladas
    QString cifras_;            // cifras tecleadas seguidas en esa parte
    QString tecleado_;          // todo lo tecleado seguido, por si es una fecha entera
    QDate antes_;               // la fecha antes de empezar a teclear
    QString escrito_;           // fecha entera que se está escribiendo
};

} // namespace ov::app
