#pragma once

// Los controles de la ventana sin juego de herramientas: guardan lo que se les pide para que las
// pruebas lo revisen, y las pruebas hacen de operador llamando a los manejadores.

#include "app/frmNalvora.h"
#include "log/ServiciosVentana.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ov::prueba {

using namespace ov::app;

struct ControlR : Control {
    bool Habilitado = true;
    bool Falla = false; // un control que se niega a cambiar
    void PonEnabled(bool valor) override {
        if (Falla) {
            throw std::runtime_error("no se pudo");
        }
        Habilitado = valor;
    }
};

struct ImageListR : ControlR {
    bool TieneEnabled() const override { return false; }
    void PonEnabled(bool) override { Tocada = true; }
    bool Tocada = false;
};

struct EtiquetaR : Etiqueta {
    explicit EtiquetaR(std::string texto, ColorRGB color = {}) : Texto(std::move(texto)), Color(color) {}
    std::string Texto;
    ColorRGB Color;
    bool Habilitado = true;
    std::string Progreso; // vacío fuera del progreso
    void PonEnabled(bool valor) override { Habilitado = valor; }
    std::string Caption() const override { return Texto; }
    ColorRGB ForeColor() const override { return Color; }
    void PonForeColor(ColorRGB color) override { Color = color; }
    void MuestraProgreso(const std::string& texto) override { Progreso = texto; }
    void TerminaProgreso() override { Progreso.clear(); }
};

struct TemporizadorR : Temporizador {
    bool Activo = false;
    void PonEnabled(bool valor) override { Activo = valor; }
    bool Enabled() const override { return Activo; }
};

struct ListaR : ListaDeConexiones {
    struct Fila {
        std::string Celdas[6];
        bool Checked = false, Ghosted = false;
        std::string Ayuda;
    };
    std::map<int, Fila> Datos;
    std::vector<int> Orden;
    bool Habilitado = true;
    void PonEnabled(bool valor) override { Habilitado = valor; }
    int Agrega(const std::string& texto) override {
        const int clave = static_cast<int>(Datos.size()) + 1;
        Datos[clave].Celdas[0] = texto;
        Orden.push_back(clave);
        return clave;
    }
    std::vector<int> Filas() const override { return Orden; }
    std::string Texto(int fila) const override { return Datos.at(fila).Celdas[0]; }
    bool Checked(int fila) const override { return Datos.at(fila).Checked; }
    void PonChecked(int fila, bool marcada) override { Datos.at(fila).Checked = marcada; }
    void PonCelda(int fila, int columna, const std::string& texto) override {
        Datos.at(fila).Celdas[columna] = texto;
    }
    void PonAyuda(int fila, const std::string& texto) override { Datos.at(fila).Ayuda = texto; }
    void PonGhosted(int fila) override { Datos.at(fila).Ghosted = true; }
    void Ordena(int columna, bool descendente) override {
        std::stable_sort(Orden.begin(), Orden.end(), [&](int a, int b) {
            const auto &x = Datos[a].Celdas[columna], &y = Datos[b].Celdas[columna];
            return descendente ? y < x : x < y;
        });
    }
    // La fila en la posición i (desde 0) como se muestra.
    Fila& En(int i) { return Datos.at(Orden.at(static_cast<size_t>(i))); }
    std::vector<std::string> Nombres() const {
        std::vector<std::string> n;
        for (int c : Orden) {
            n.push_back(Datos.at(c).Celdas[0]);
        }
        return n;
    }
};

struct ArbolR : ArbolDeTareas {
    struct NodoR {
        AspectoNodo Aspecto;
        bool Checked = false;
        std::string Ayuda;
        std::vector<std::pair<int, bool>> Historial; // (imagen, negrita) desde Llena, sin repetidos seguidos
    };
    std::vector<NodoR> Nodos;
    bool Habilitado = true;
    std::vector<int> Mostrados; // MuestraNodo, en orden
    std::vector<std::string> Menu;
    std::function<void(int)> AlElegir;
    void PonEnabled(bool valor) override { Habilitado = valor; }
    void Llena(const std::vector<AspectoNodo>& nodos) override {
        Nodos.clear();
        for (const auto& a : nodos) {
            Nodos.push_back({a, false, a.Texto, {{a.Imagen, a.Bold}}});
        }
    }
    int Count() const override { return static_cast<int>(Nodos.size()); }
    bool Checked(int k) const override { return Nodos.at(static_cast<size_t>(k - 1)).Checked; }
    void PonChecked(int k, bool marcado) override { Nodos.at(static_cast<size_t>(k - 1)).Checked = marcado; }
    void PonAspecto(int k, const AspectoNodo& aspecto) override {
        NodoR& n = Nodos.at(static_cast<size_t>(k - 1));
        n.Aspecto = aspecto;
        n.Ayuda = aspecto.Texto;
        if (const std::pair a{aspecto.Imagen, aspecto.Bold}; n.Historial.back() != a) {
            n.Historial.push_back(a);
        }
    }
    void PonAyuda(int k, const std::string& texto) override {
        Nodos.at(static_cast<size_t>(k - 1)).Ayuda = texto;
    }
    void MuestraNodo(int k) override { Mostrados.push_back(k); }
    void MenuContextual(const std::vector<std::string>& opciones,
                        std::function<void(int)> alElegir) override {
        Menu = opciones;
        AlElegir = std::move(alElegir);
    }
    std::string Marcas() const {
        std::string m;
        for (const auto& n : Nodos) {
            m += n.Checked ? '1' : '0';
        }
        return m;
    }
};

struct SelectorR : SelectorDeFecha {
    Fecha Valor{}, Minimo{};
    bool Habilitado = true;
    void PonEnabled(bool valor) override { Habilitado = valor; }
    Fecha Value() const override { return Valor; }
    void PonValue(Fecha fecha) override { Valor = fecha; }
    void PonMinimo(Fecha minimo) override { Minimo = minimo; }
};

// La ventana y la plataforma: la cola del hilo de la ventana la vacía la prueba con Bombea.
class ControlesDeRegistro final : public ControlesVentana, public ServiciosPlataforma {
public:
    EtiquetaR lblImportanteR{kCaptionImportante, kRojo}, lblDescripcion{""}, lblListaBD{""},
        lblDesde{"Desde:"}, lblHasta{"Hasta:"},
        Label2R{"Para iniciar con la depuración oprima el botón <Iniciar>."}, Label1R{kCaptionLabel1, kRojo};
    ListaR List1R;
    ArbolR ListaR_;
    SelectorR Desde, Hasta;
    ControlR frmTareas, btnIniciar, btnSalir;
    TemporizadorR Timer1R, SegunderoR;
    ImageListR ImageList1;
    std::string Titulo = "Depuración de base de datos Orvalo";
    std::string AvisoDeCierre; // vacío si está cerrado
    int Repintados = 0, FocosDevueltos = 0;
    bool FocoEnDesde = false, Terminado = false, Cerrada = false;
    Puntero PunteroActual = Puntero::Normal;
    frmNalvora* Comportamiento = nullptr;

    Etiqueta& lblImportante() override { return lblImportanteR; }
    Etiqueta& Label1() override { return Label1R; }
    Etiqueta& Label2() override { return Label2R; }
    ListaDeConexiones& List1() override { return List1R; }
    ArbolDeTareas& Lista() override { return ListaR_; }
    SelectorDeFecha& DTPicker1(int i) override {
        return i == 0 ? static_cast<SelectorDeFecha&>(Desde) : Hasta;
    }
    Temporizador& Timer1() override { return Timer1R; }
    Temporizador& Segundero() override { return SegunderoR; }
    std::vector<Control*> Controls() override {
        return {&lblImportanteR, &lblDescripcion, &lblListaBD, &List1R,    &lblDesde, &Desde,
                &lblHasta,       &Hasta,          &frmTareas,  &ListaR_,   &Label2R,  &Label1R,
                &btnIniciar,     &btnSalir,       &Timer1R,    &ImageList1};
    }
    std::string Caption() const override { return Titulo; }
    void PonCaption(const std::string& texto) override { Titulo = texto; }
    void Refresh() override { ++Repintados; }
    void RecuerdaFoco() override {}
    void DevuelveFoco() override { ++FocosDevueltos; }
    void FocoInicial() override { FocoEnDesde = true; }
    void AbreAvisoDeCierre(const std::string& texto, const std::string&) override { AvisoDeCierre = texto; }
    void CierraAvisoDeCierre() override { AvisoDeCierre.clear(); }
    bool Cierra() override { return Cerrada = Cerrada || Comportamiento->PideCierre(); }

    void PonPuntero(Puntero puntero) override { PunteroActual = puntero; }
    void Publica(std::function<void()> fn) override {
        const std::lock_guard<std::mutex> candado(m_);
        cola_.push_back(std::move(fn));
    }
    void TerminaPrograma() override { Terminado = true; }

    // Corre en este hilo lo publicado hasta ahora, en orden.
    void Bombea() {
        for (;;) {
            std::function<void()> fn;
            {
                const std::lock_guard<std::mutex> candado(m_);
                if (cola_.empty()) {
                    return;
                }
                fn = std::move(cola_.front());
                cola_.pop_front();
            }
            fn();
        }
    }
    // Bombea hasta que `listo` se cumpla o pase el plazo.
    bool EsperaA(const std::function<bool()>& listo, std::chrono::seconds plazo = std::chrono::seconds(120)) {
        const auto fin = std::chrono::steady_clock::now() + plazo;
        while (!listo()) {
            if (std::chrono::steady_clock::now() > fin) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            Bombea();
        }
        return true;
    }

private:
    std::mutex m_;
    std::deque<std::function<void()>> cola_;
};

// Respuestas preparadas y mensajes anotados: ningún cuadro de diálogo real detiene una prueba.
class CajasDePrueba final : public ServiciosVentana {
public:
    struct Mensaje {
        std::string Tipo, Texto, Titulo;
    };
    explicit CajasDePrueba(const Reloj& reloj) : reloj_(reloj) {}
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
    std::function<void(const Mensaje&)> AlMostrar; // para ver la ventana cuando aparece un cuadro

private:
    void Anota(const Mensaje& m) {
        Mensajes.push_back(m);
        if (AlMostrar) {
            AlMostrar(m);
        }
    }
    const Reloj& reloj_;
};

} // namespace ov::prueba
