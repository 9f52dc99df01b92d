#pragma once

#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"
#include "log/Fechas.h"
#include "purge/EjecutaProceso.h"

#include <functional>
#include <gtest/gtest.h>

namespace ov::prueba {

// Anota la bitácora de la corrida, sin la hora.
class ObservadorPrueba : public ObservadorCorrida {
public:
    void NodoCambiado(int posicion, const Nodo& nodo) override {
        if (alCambiar) {
            alCambiar(posicion, nodo);
        }
    }
    void LineaBitacora(const std::string& linea) override {
        lineas.push_back(linea.substr(linea.find('\t') + 1));
    }
    std::vector<std::string> lineas;
    std::function<void(int, const Nodo&)> alCambiar; // para meterse a media corrida
};

// Una sesión sobre la conexión real, para meterse entre las sentencias de la depuración: pierde la
// conexión en la sentencia caeEn, o hace lo de tras después de cada una.
class SesionIntrusa final : public db::Sesion {
public:
    SesionIntrusa(db::Conexion& real, int caeEn, std::function<void(const std::string&)> tras = {})
        : real_(real), caeEn_(caeEn), tras_(std::move(tras)) {}
    db::Resultado Execute(const std::string& sql) override {
        if (++cuenta_ == caeEn_) {
            real_.Close();
            throw db::ErrorBD(-1, "[prueba]", "conexión perdida en: " + sql);
        }
        auto r = real_.Execute(sql);
        if (tras_) {
            tras_(sql);
        }
        return r;
    }
    std::string DefaultDatabase() override { return real_.DefaultDatabase(); }
    int cuenta_ = 0;

private:
    db::Conexion& real_;
    int caeEn_;
    std::function<void(const std::string&)> tras_;
};

// La demostración en una carpeta propia, con filas en los bordes del rango de marzo de 2025.
class DepuracionPrueba : public ::testing::Test {
protected:
    CarpetaTemporal tmp;
    std::filesystem::path demo = tmp / "demo";
    RelojFijo reloj{ConHora(std::chrono::local_days{std::chrono::year{2026} / 12 / 6}, 10, 0)};
    Rango marzo{std::chrono::local_days{std::chrono::year{2025} / 3 / 1},
                std::chrono::local_days{std::chrono::year{2025} / 3 / 31}};
    std::unique_ptr<ArchivoReg> registro;
    ObservadorPrueba observador;
    Estrategia estrategia = Estrategia::Auto;
    std::filesystem::path carpetaArchivo; // --archivo; vacía sin archivo

    void SetUp() override {
        GeneraDemo(demo, 3000);
        registro = std::make_unique<ArchivoReg>(demo / "orvalo.reg");
    }
    std::filesystem::path Norte() const { return demo / "orvalo_norte.db"; }
    std::filesystem::path Sur() const { return demo / "orvalo_sur.db"; }
    std::filesystem::path Temporal() const { return demo / "orvalo_temp.db"; }
    std::filesystem::path RutaLog() const { return RutaLogDe(tmp.Ruta()); }

    // Filas del empleado 9999 justo dentro y fuera de marzo, y una sin fecha.
    static void SiembraBordes(BaseSqlite& b, const std::string& tabla, const std::string& columna) {
        const bool bitacora = tabla == "bitacora";
        for (const char* d :
             {"'2025-02-28 23:59:59'", "'2025-03-01 00:00:00'", "'2025-03-15 12:00:00'",
              "'2025-03-31 23:59:59'", "'2025-04-01 00:00:00'", "'2025-04-01 00:00:01'", "NULL"}) {
            b.Ejecuta("INSERT INTO " + tabla + (bitacora ? " (usuario, " : " (empleado, ") + columna +
                      ") VALUES (" + (bitacora ? "'borde'" : "9999") + ", " + d + ")");
        }
    }
    // Las filas que la depuración de marzo conserva, como subconsulta.
    static std::string FueraDeMarzo(const std::string& tabla, const std::string& columna) {
        return "(SELECT * FROM " + tabla + " WHERE " + columna + " < '2025-03-01' OR " + columna +
               " >= '2025-04-01' OR " + columna + " IS NULL)";
    }
    // Las filas que la depuración de marzo quita.
    static std::string EnMarzo(const TablaDatos& t) {
        return "(SELECT * FROM " + t.Tabla + " WHERE " + t.Columna + " >= '2025-03-01' AND " + t.Columna +
               " < '2025-04-01')";
    }
    static long long Conservables(BaseSqlite& b, const std::string& tabla, const std::string& columna) {
        return b.Cuenta("SELECT count(*) FROM " + FueraDeMarzo(tabla, columna));
    }

    // El plan como lo arma la ventana: un bloque por conexión, con la bandera de su propia base.
    Plan ArmaPlan(const std::vector<std::string>& conexiones,
                  const std::vector<int>& pasos = {1, 2, 3, 4, 5, 6, 7, 8}) {
        ModNalvora modulo(*registro);
        std::vector<FilaConexion> filas;
        for (const auto& c : conexiones) {
            FilaConexion f{c, true, false};
            if (modulo.AbreConexion(c) == 0) {
                f.HayTransacciones = ExisteTablaTransacciones(modulo.cnBD());
                modulo.cnBD().Close();
            }
            filas.push_back(f);
        }
        Plan plan;
        plan.Reconstruye(filas);
        for (int k = 1; k <= plan.Count(); ++k) {
            const int paso = (k - 1) % 8 + 1;
            plan.NodoEn(k).Checked = std::find(pasos.begin(), pasos.end(), paso) != pasos.end();
        }
        return plan;
    }

    ResultadoCorrida Corre(Plan& plan) {
        ModNalvora modulo(*registro);
        const Bitacora bitacora(RutaLog(), reloj);
        Depuracion depuracion(modulo, bitacora, observador);
        depuracion.FijaEstrategia(estrategia);
        depuracion.FijaArchivo(carpetaArchivo);
        return depuracion.Corre(plan, marzo);
    }
};

} // namespace ov::prueba
