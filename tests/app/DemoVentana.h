#pragma once

#include "ServiciosDePrueba.h"
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "log/Fechas.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace ov::prueba {

inline const RelojFijo kRelojDemo(ConHora(Fecha{std::chrono::year{2026} / 12 / 6}, 10, 0));

// La demostración en una carpeta propia; la ventana lee su orvalo.reg y escribe su bitácora ahí.
struct DemoEnCarpeta {
    CarpetaTemporal carpeta;
    std::filesystem::path demo = carpeta / "demo";
    std::unique_ptr<ArchivoReg> registro;

    explicit DemoEnCarpeta(int checadas = 3000) {
        GeneraDemo(demo, checadas);
        registro = std::make_unique<ArchivoReg>(demo / "orvalo.reg");
    }
    std::filesystem::path Norte() const { return demo / "orvalo_norte.db"; }
    std::filesystem::path Sur() const { return demo / "orvalo_sur.db"; }
    std::filesystem::path ArchivoLog() const {
        return carpeta / "Log" / ("ovNalvora_" + FormatoMesAnio(Hoy(kRelojDemo)) + ".log");
    }
};

// Muestra y activa la ventana, y espera a que el primer sondeo suelte los controles.
inline bool ActivaYEsperaSondeo(app::frmNalvora& v) {
    v.show();
    v.activateWindow();
    return QTest::qWaitForWindowActive(&v) && QTest::qWaitFor([&v] { return !v.Bloqueada(); }, 30000);
}

inline QTreeWidgetItem* FilaLlamada(const QTreeWidget* lista, const QString& nombre) {
    const auto encontradas = lista->findItems(nombre, Qt::MatchExactly, 0);
    return encontradas.isEmpty() ? nullptr : encontradas.first();
}

inline QStringList TextosDe(const QTreeWidget* arbol) {
    QStringList textos;
    for (int i = 0; i < arbol->topLevelItemCount(); ++i) {
        textos << arbol->topLevelItem(i)->text(0);
    }
    return textos;
}

} // namespace ov::prueba
