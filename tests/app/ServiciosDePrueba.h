#pragma once

#include "apoyo/CarpetaTemporal.h"
#include "app/frmNalvora.h"
#include "log/ServiciosVentana.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ov::prueba {

// Respuestas preparadas y mensajes anotados: ningún cuadro de diálogo real detiene una prueba.
class ServiciosDePrueba final : public ServiciosVentana {
public:
    struct Mensaje {
        std::string Tipo, Texto, Titulo;
    };

    explicit ServiciosDePrueba(const Reloj& reloj) : reloj_(reloj) {}

    // Sin respuesta preparada contesta No, como el botón por omisión.
    bool PreguntaSiNo(const std::string& texto, const std::string& titulo) override {
        Anota({"pregunta", texto, titulo});
        const bool r = !Respuestas.empty() && Respuestas.front();
        if (!Respuestas.empty()) {
            Respuestas.pop_front();
        }
        return r;
    }
    void Informa(const std::string& texto, const std::string& titulo) override {
        Anota({"informa", texto, titulo});
    }
    void Advierte(const std::string& texto, const std::string& titulo) override {
        Anota({"advierte", texto, titulo});
    }
    const Reloj& reloj() const override { return reloj_; }

    std::deque<bool> Respuestas;
    std::vector<Mensaje> Mensajes;
    // Para ver la ventana en el momento en que aparece un cuadro.
    std::function<void(const Mensaje&)> AlMostrar;

private:
    void Anota(const Mensaje& m) {
        Mensajes.push_back(m);
        if (AlMostrar) {
            AlMostrar(m);
        }
    }

    const Reloj& reloj_;
};

inline const std::string kCaption = "Depuración de base de datos Orvalo v2.2.0";

// Un aviso de la ventana: advertencia con su título y, si se pide, un trozo de su texto.
inline bool EsAviso(const ServiciosDePrueba::Mensaje& m, const std::string& trozo = "") {
    return m.Tipo == "advierte" && m.Titulo == kCaption && m.Texto.find(trozo) != std::string::npos;
}

inline bool Activa(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// El menú que abre un clic derecho sobre el nodo k de Lista (0: en el hueco bajo los nodos).
inline QMenu* MenuDeLista(app::frmNalvora& v, int k) {
    QWidget* nodos = v.Lista->viewport();
    const QPoint lugar = k > 0 ? v.Lista->visualItemRect(v.Lista->topLevelItem(k - 1)).center()
                               : QPoint(5, nodos->height() - 5);
    QContextMenuEvent clic(QContextMenuEvent::Mouse, lugar, nodos->mapToGlobal(lugar));
    QApplication::sendEvent(nodos, &clic);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Elige en el menú la acción con ese texto y lo cierra.
inline void Elige(QMenu* menu, const QString& texto) {
    for (QAction* a : menu->actions()) {
        if (a->text() == texto) {
            a->trigger();
        }
    }
    menu->close();
}

} // namespace ov::prueba
