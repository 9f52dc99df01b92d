#pragma once

// Los controles de la ventana sin juego de herramientas: guardan lo que se les pide para que las
// pruebas lo revisen, y las pruebas hacen de operador llamando a los manejadores.

#include "apoyo/CarpetaTemporal.h"
#include "app/frmNalvora.h"
#include "log/Fechas.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace ov::prueba {

using namespace ov::app;

inline const std::string kCaption = "Depuración de base de datos Orvalo v2.2.0";
inline bool Tiene(const std::string& texto, const std::string& parte) {
    return texto.find(parte) != std::string::npos;
}

struct Estado {
    virtual ~Estado() = default;
    bool Habilitado = true, Falla = false; // Falla: un control que se niega a cambiar
};
template <typename I> struct Con : I, Estado {
    void PonEnabled(bool valor) override {
        Habilitado = Falla ? throw std::runtime_error("no se pudo") : valor;
    }
};

struct ImageListR : Con<Control> {
    bool TieneEnabled() const override { return false; }
};

struct EtiquetaR : Con<Etiqueta> {
    EtiquetaR(std::string texto, ColorRGB color = {}) : Texto(std::move(texto)), Color(color) {}
    std::string Texto, Progreso;        // Progreso, vacío fuera del progreso
    std::vector<std::string> Historial; // cada texto de progreso mostrado
    ColorRGB Color;
    std::string Caption() const override { return Texto; }
    ColorRGB ForeColor() const override { return Color; }
    void PonForeColor(ColorRGB color) override { Color = color; }
    void MuestraProgreso(const std::string& texto) override { Historial.push_back(Progreso = texto); }
    void TerminaProgreso() override { Progreso.clear(); }
};

struct TemporizadorR : Con<Temporizador> {
    TemporizadorR() { Habilitado = false; }
    bool Enabled() const override { return Habilitado; }
};

struct ListaR : Con<ListaDeConexiones> {
    struct Fila {
        std::string Celdas[6], Ayuda;
        bool Checked = false, Ghosted = false;
    };
    std::map<int, Fila> Datos;
    std::vector<int> Orden;
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
    Fila& En(int i) { return Datos.at(Orden.at(static_cast<size_t>(i))); } // por posición, desde 0
};

struct ArbolR : Con<ArbolDeTareas> {
    struct NodoR {
        AspectoNodo Aspecto;
        bool Checked = false;
        std::string Ayuda;
        std::vector<std::pair<int, bool>> Historial; // (imagen, negrita) desde Llena, sin repetidos seguidos
    };
    std::vector<NodoR> Nodos;
    std::vector<int> Mostrados; // MuestraNodo, en orden
    std::vector<std::string> Menu;
    std::function<void(int)> AlElegir;
    NodoR& N(int k) { return Nodos.at(static_cast<size_t>(k - 1)); }
    void Llena(const std::vector<AspectoNodo>& nodos) override {
        Nodos.clear();
        for (const auto& a : nodos) {
            Nodos.push_back({a, false, a.Texto, {{a.Imagen, a.Bold}}});
        }
    }
    int Count() const override { return static_cast<int>(Nodos.size()); }
    bool Checked(int k) const override { return Nodos.at(static_cast<size_t>(k - 1)).Checked; }
    void PonChecked(int k, bool marcado) override { N(k).Checked = marcado; }
    void PonAspecto(int k, const AspectoNodo& a) override {
        N(k).Aspecto = a;
        N(k).Ayuda = a.Texto;
        if (N(k).Historial.back() != std::pair{a.Imagen, a.Bold}) {
            N(k).Historial.emplace_back(a.Imagen, a.Bold);
        }
    }
    void PonAyuda(int k, const std::string& texto) override { N(k).Ayuda = texto; }
    void MuestraNodo(int k) override { Mostrados.push_back(k); }
    void MenuContextual(const std::vector<std::string>& opciones,
                        std::function<void(int)> alElegir) override {
        Menu = opciones;
        AlElegir = std::move(alElegir);
    }
    std::string Marcas() const {
        std::string m;
        std::ranges::transform(Nodos, std::back_inserter(m),
                               [](const NodoR& n) { return n.Checked ? '1' : '0'; });
        return m;
    }
};

struct SelectorR : Con<SelectorDeFecha> {
    Fecha Valor{}, Minimo{};
    Fecha Value() const override { return Valor; }
    void PonValue(Fecha fecha) override { Valor = fecha; }
    void PonMinimo(Fecha minimo) override { Minimo = minimo; }
};

// La ventana y la plataforma: la cola del hilo de la ventana la vacía la prueba con EsperaA.
class ControlesDeRegistro final : public ControlesVentana, public ServiciosPlataforma {
public:
    EtiquetaR lblImportanteR{kCaptionImportante, kRojo}, lblDescripcion{""}, lblListaBD{""}, lblDesde{""},
        lblHasta{""}, Label2R{""}, Label1R{kCaptionLabel1, kRojo};
    ListaR List1R;
    ArbolR ListaR_;
    SelectorR Desde, Hasta;
    Con<Control> frmTareas, btnIniciar, btnSalir;
    TemporizadorR Timer1R, SegunderoR;
    ImageListR ImageList1;
    std::string Titulo, AvisoDeCierre; // el aviso, vacío si está cerrado
    int Repintados = 0, FocosDevueltos = 0;
    bool FocoEnDesde = false, Terminado = false, Cerrada = false;
    Puntero PunteroActual = Puntero::Normal;
    frmNalvora* Comportamiento = nullptr;

    Etiqueta& lblImportante() override { return lblImportanteR; }
    Etiqueta& Label1() override { return Label1R; }
    Etiqueta& Label2() override { return Label2R; }
    ListaDeConexiones& List1() override { return List1R; }
    ArbolDeTareas& Lista() override { return ListaR_; }
    SelectorDeFecha& DTPicker1(int i) override { return i == 0 ? Desde : Hasta; }
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
    // La carpeta que el operador elegirá (vacía: cancela); los ajustes quedan en memoria.
    std::string CarpetaQueSeElige;
    std::vector<std::string> CarpetasPreguntadas; // la de partida de cada pregunta
    std::map<std::string, std::string> Ajustes;
    void EligeCarpeta(const std::string&, const std::string& inicial,
                      std::function<void(const std::string&)> alElegir) override {
        CarpetasPreguntadas.push_back(inicial);
        if (!CarpetaQueSeElige.empty()) {
            alElegir(CarpetaQueSeElige);
        }
    }
    std::string LeeAjuste(const std::string& clave) override { return Ajustes[clave]; }
    void GuardaAjuste(const std::string& clave, const std::string& valor) override { Ajustes[clave] = valor; }
    // El operador marca o desmarca la fila de List1 en la posición i (desde 0).
    void Marca(int i, bool si = true) {
        List1R.En(i).Checked = si;
        Comportamiento->List1_ItemCheck(List1R.Orden.at(static_cast<size_t>(i)));
    }

    // Corre en este hilo lo publicado, en orden, hasta que `listo` se cumpla o pasen dos minutos.
    bool EsperaA(const std::function<bool()>& listo) {
        const auto fin = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (!listo() && std::chrono::steady_clock::now() < fin) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::unique_lock<std::mutex> candado(m_);
            while (!cola_.empty()) {
                auto fn = std::move(cola_.front());
                cola_.pop_front();
                candado.unlock();
                fn();
                candado.lock();
            }
        }
        return listo();
    }

private:
    std::mutex m_;
    std::deque<std::function<void()>> cola_;
};

// Respuestas preparadas (sin ellas, No, el botón por omisión) y mensajes anotados.
class CajasDePrueba final : public ServiciosVentana {
public:
    struct Mensaje {
        std::string Tipo, Texto, Titulo;
    };
    explicit CajasDePrueba(const Reloj& reloj) : reloj_(reloj) {}
    bool PreguntaSiNo(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"pregunta", texto, titulo});
        const bool r = !Respuestas.empty() && Respuestas.front();
        Respuestas.erase(Respuestas.begin(), Respuestas.begin() + !Respuestas.empty());
        return r;
    }
    void Informa(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"informa", texto, titulo});
    }
    void Advierte(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"advierte", texto, titulo});
    }
    const Reloj& reloj() const override { return reloj_; }
    std::deque<bool> Respuestas;
    std::vector<Mensaje> Mensajes;

private:
    const Reloj& reloj_;
};

// Una operación que ocupa al obrero hasta que la prueba la suelta; también si la prueba falla a medias.
struct Retenida {
    std::atomic<bool> Suelta = false;
    ~Retenida() { Suelta = true; }
    std::function<void()> Trabajo() {
        return [this] {
            while (!Suelta) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
    }
};

// La ventana que cuenta sus sondeos; `Real` los hace de verdad y `AntesDeCorrer` interviene la corrida.
class frmContado : public frmNalvora {
public:
    using frmNalvora::frmNalvora;
    int Sondeos = 0;
    bool Real = false;
    std::function<void(ObservadorCorrida&)> AntesDeCorrer = [](ObservadorCorrida&) {};
    void ActualizaEstadisticas() override {
        ++Sondeos;
        if (Real) {
            frmNalvora::ActualizaEstadisticas();
        }
    }

protected:
    ResultadoCorrida CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador) override {
        AntesDeCorrer(observador);
        return frmNalvora::CorreDepuracion(plan, rango, observador);
    }
};

// El comportamiento sobre los controles que anotan; la bitácora, en la carpeta del programa.
struct Ventana {
    Ventana(const Reloj& reloj, const std::filesystem::path& carpeta, const Registro& registro,
            IdentidadPrograma programa = {})
        : cajas(reloj), reloj_(reloj), prefijoBitacora_(carpeta / "Log" / (programa.Title + "_")),
          f(std::make_unique<frmContado>(
              DependenciasVentana{c, cajas, c, reloj, carpeta, registro, programa})) {
        c.Comportamiento = f.get();
    }
    ControlesDeRegistro c;
    CajasDePrueba cajas;
    const Reloj& reloj_;
    std::filesystem::path prefijoBitacora_; // la bitácora sin su mes
    std::unique_ptr<frmContado> f;

    std::string Bitacora() const {
        return LeeArchivo(prefijoBitacora_.string() + FormatoMesAnio(Hoy(reloj_)) + ".log");
    }
    // Iniciar con esas respuestas: la ventana queda bloqueada y espera, en el obrero, al sondeo final.
    bool Inicia(int sondeos, std::deque<bool> respuestas = {true, true}) {
        cajas.Respuestas = std::move(respuestas);
        f->btnIniciar_Click();
        return f->Bloqueada() && c.EsperaA([&] { return f->Sondeos == sondeos && !f->Bloqueada(); }) &&
               c.PunteroActual == Puntero::Normal;
    }
};

} // namespace ov::prueba
