#pragma once

#include "app/ControlesVentana.h"
#include "app/win32/Arbol.h"
#include "app/win32/Etiquetas.h"
#include "app/win32/ListaVista.h"
#include "app/win32/SelectorFecha.h"
#include "app/win32/Win32.h"

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ov::app {
class frmNalvora;
}

namespace ov::app::win32 {

// frmNalvora con los controles comunes de Windows: los crea en sus posiciones, pasa los eventos a
// los manejadores de frmNalvora y hace lo que se le pide. No decide nada.
class Ventana final : public ControlesVentana {
public:
    Ventana();
    ~Ventana() override;
    Ventana(const Ventana&) = delete;
    Ventana& operator=(const Ventana&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Desde aquí los eventos van a sus manejadores.
    void Conecta(frmNalvora* form) { form_ = form; }
    // Centrada en el monitor del cursor, como se diseñó.
    void Muestra(int mostrar);

    Etiqueta& lblImportante() override { return *lblImportante_; }
    Etiqueta& Label1() override { return *Label1_; }
    Etiqueta& Label2() override { return *Label2_; }
    ListaDeConexiones& List1() override { return *List1_; }
    ArbolDeTareas& Lista() override { return *Lista_; }
    SelectorDeFecha& DTPicker1(int indice) override { return *DTPicker1_.at(static_cast<size_t>(indice)); }
    Temporizador& Timer1() override { return *Timer1_; }
    Temporizador& Segundero() override { return *Segundero_; }
    std::vector<Control*> Controls() override { return controles_; }
    std::string Caption() const override;
    void PonCaption(const std::string& texto) override;
    void Refresh() override;
    void RecuerdaFoco() override;
    void DevuelveFoco() override;
    void FocoInicial() override;
    void AbreAvisoDeCierre(const std::string& texto, const std::string& titulo) override;
    void CierraAvisoDeCierre() override;
    bool Cierra() override;

    // Los de la plataforma, que la ventana hace por estar en su hilo.
    void PonMousePointer(bool relojDeArena);
    // Un cuadro de mensaje modal con las banderas de MessageBox; devuelve el botón (6 = Sí).
    int MsgBox(const std::string& texto, UINT banderas, const std::string& titulo);
    // Desde cualquier hilo: `fn` corre en el de la ventana, en orden, como un mensaje más.
    void Publica(std::function<void()> fn);

    // Para las pruebas y el banco: los controles nativos.
    ListaVista& ListaNativa() { return *List1_; }
    Arbol& ArbolNativo() { return *Lista_; }

private:
    static LRESULT CALLBACK Procedimiento(HWND, UINT, WPARAM, LPARAM);
    LRESULT Mensaje(UINT mensaje, WPARAM w, LPARAM l);
    void CreaControles();
    // Posiciones, fuentes e imágenes a los ppp del monitor.
    void Acomoda(UINT ppp);
    void MuestraAviso();
    void Destruye();
    static void CapturaSiguienteCuadro(HWND* destino);

    static constexpr UINT kTrabajo = WM_APP + 1;  // hay funciones publicadas por el hilo obrero
    static constexpr UINT kActivada = WM_APP + 2; // la activación, ya mostrada la ventana
    static constexpr UINT kMuestraAviso = WM_APP + 3;
    static constexpr UINT_PTR kTimer1 = 1, kSegundero = 2;

    HWND hwnd_{};
    frmNalvora* form_ = nullptr;
    UINT ppp_ = 96;
    Fuente fuente_, fuenteGrande_;
    HWND ayudas_{};
    HWND lblListaBD_{}, lblDesde_{}, lblHasta_{}, frmTareas_{}, btnIniciar_{}, btnSalir_{};
    std::unique_ptr<EtiquetaWin32> lblImportante_, lblDescripcion_, Label1_, Label2_;
    std::unique_ptr<ListaVista> List1_;
    std::unique_ptr<Arbol> Lista_;
    std::array<std::unique_ptr<SelectorFecha>, 2> DTPicker1_;
    std::unique_ptr<TemporizadorWin32> Timer1_, Segundero_;
    std::vector<std::unique_ptr<Control>> simples_;
    std::vector<Control*> controles_;
    HWND focoAntes_{};
    HWND focoAlSalir_{}; // el control con el foco cuando la ventana dejó de ser la activa
    // El aviso de cierre: pedido, y su cuadro una vez abierto.
    std::optional<std::pair<std::wstring, std::wstring>> aviso_;
    HWND cuadroAviso_{};
    bool relojDeArena_ = false;
    std::mutex mutex_;
    std::deque<std::function<void()>> pendientes_;
};

} // namespace ov::app::win32
