#pragma once

// Los controles de frmNalvora tal como los usa su comportamiento, sin ningún juego de herramientas:
// cada implementación (Qt, Win32, la de las pruebas) crea los suyos, hace lo que aquí se pide y
// avisa de lo que hace el operador llamando a los manejadores de frmNalvora.

#include "log/Reloj.h"
#include "log/Version.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ov::app {

// Un color RGB, como ForeColor.
struct ColorRGB {
    std::uint8_t Rojo = 0, Verde = 0, Azul = 0;
    friend bool operator==(const ColorRGB&, const ColorRGB&) = default;
};
inline constexpr ColorRGB kRojo{255, 0, 0};
inline constexpr ColorRGB kAzul{0, 0, 255};

// Todo control de la colección de la ventana.
class Control {
public:
    virtual ~Control() = default;
    // ImageList1 no tiene Enabled: el recorrido de bloqueo la pasa por alto.
    virtual bool TieneEnabled() const { return true; }
    // Bloquea o desbloquea el control; un temporizador deshabilitado deja de latir.
    virtual void PonEnabled(bool valor) = 0;
};

// Una etiqueta: Caption y ForeColor. Su color se conserva también mientras está bloqueada.
class Etiqueta : public Control {
public:
    virtual std::string Caption() const = 0;
    virtual ColorRGB ForeColor() const = 0;
    virtual void PonForeColor(ColorRGB color) = 0;
    // Muestra un texto de progreso: la etiqueta toma el ancho de la ventana, centrada, con su color
    // aunque esté bloqueada; lo que no cabe se corta al final y va completo en su ayuda emergente.
    virtual void MuestraProgreso(const std::string& texto) = 0;
    // Vuelve a su texto, su lugar, su alineación y su color de diseño, sin ayuda emergente.
    virtual void TerminaProgreso() = 0;
};

// Un temporizador: late cada Interval milisegundos mientras está habilitado (PonEnabled).
class Temporizador : public Control {
public:
    virtual bool Enabled() const = 0;
};

// List1: filas con casilla y seis columnas. Cada fila tiene una clave que no cambia al ordenar; las
// posiciones, sí.
class ListaDeConexiones : public Control {
public:
    // ListItems.Add: añade una fila sin marcar con ese texto y celdas vacías; devuelve su clave.
    virtual int Agrega(const std::string& texto) = 0;
    // Las claves de las filas en el orden en que se muestran.
    virtual std::vector<int> Filas() const = 0;
    virtual std::string Texto(int fila) const = 0;
    virtual bool Checked(int fila) const = 0;
    // Cambia la marca sin avisar a List1_ItemCheck (para deshacer una marca rechazada).
    virtual void PonChecked(int fila, bool marcada) = 0;
    // ListSubItems(columna).Text, columna de 1 a 5.
    virtual void PonCelda(int fila, int columna, const std::string& texto) = 0;
    // La ayuda emergente de toda la fila; vacía la quita.
    virtual void PonAyuda(int fila, const std::string& texto) = 0;
    // Ghosted: la fila se ve atenuada.
    virtual void PonGhosted(int fila) = 0;
    // SortKey (columna desde 0) y SortOrder: ordena las filas por el texto de esa columna.
    virtual void Ordena(int columna, bool descendente) = 0;
};

// El aspecto de un nodo de Lista: texto, imagen de ImageList1 (0 = ninguna) y negrita.
struct AspectoNodo {
    std::string Texto;
    int Imagen = 0;
    bool Bold = false;
};

// Lista: un nodo por tarea, con casilla e imagen, contados desde 1 en el orden en que se añadieron.
// Bloqueada, se sigue desplazando pero sus nodos no se marcan.
class ArbolDeTareas : public Control {
public:
    // Nodes.Clear y Nodes.Add de todos a la vez, sin marcar.
    virtual void Llena(const std::vector<AspectoNodo>& nodos) = 0;
    virtual int Count() const = 0;
    virtual bool Checked(int k) const = 0;
    virtual void PonChecked(int k, bool marcado) = 0;
    // Texto, imagen y negrita del nodo; su ayuda emergente pasa a ser el texto; la marca no cambia.
    virtual void PonAspecto(int k, const AspectoNodo& aspecto) = 0;
    virtual void PonAyuda(int k, const std::string& texto) = 0;
    // Desplaza la lista hasta que el nodo quede a la vista.
    virtual void MuestraNodo(int k) = 0;
    // Abre un menú emergente junto al puntero con esas opciones; al elegir una llama `alElegir` con su
    // índice desde 0 (no lo llama si se cierra sin elegir). No espera: vuelve en seguida.
    virtual void MenuContextual(const std::vector<std::string>& opciones,
                                std::function<void(int)> alElegir) = 0;
};

// Un DTPicker1: una fecha, mostrada larga, que el operador no puede llevar antes de Minimo.
class SelectorDeFecha : public Control {
public:
    virtual Fecha Value() const = 0;
    virtual void PonValue(Fecha fecha) = 0;
    // La primera fecha que acepta, en el calendario, con las flechas o tecleada.
    virtual void PonMinimo(Fecha minimo) = 0;
};

// La ventana: sus controles con los nombres de diseño, su colección y lo que se le pide a ella.
class ControlesVentana {
public:
    virtual ~ControlesVentana() = default;

    virtual Etiqueta& lblImportante() = 0;
    virtual Etiqueta& Label1() = 0;
    virtual Etiqueta& Label2() = 0;
    virtual ListaDeConexiones& List1() = 0;
    virtual ArbolDeTareas& Lista() = 0;
    virtual SelectorDeFecha& DTPicker1(int indice) = 0; // 0 = Desde, 1 = Hasta
    virtual Temporizador& Timer1() = 0;
    // Un temporizador de un segundo para la etiqueta de progreso; no está en la colección.
    virtual Temporizador& Segundero() = 0;
    // Los dieciséis controles en el orden del diseño, Timer1 e ImageList1 incluidos.
    virtual std::vector<Control*> Controls() = 0;

    virtual std::string Caption() const = 0;
    virtual void PonCaption(const std::string& texto) = 0;
    // Repinta la ventana en seguida.
    virtual void Refresh() = 0;
    // Antes de bloquear, recuerda qué control tenía el foco; al desbloquear se lo devuelve.
    virtual void RecuerdaFoco() = 0;
    virtual void DevuelveFoco() = 0;
    // Da el foco a DTPicker1(0), como al cargar.
    virtual void FocoInicial() = 0;
    // Un aviso que no espera respuesta ni detiene nada; si ya está abierto, lo trae al frente.
    virtual void AbreAvisoDeCierre(const std::string& texto, const std::string& titulo) = 0;
    // Cierra ese aviso si sigue abierto.
    virtual void CierraAvisoDeCierre() = 0;
    // Cierra la ventana como el cuadro de cierre (pasa por frmNalvora::PideCierre). Verdadero si cerró.
    virtual bool Cierra() = 0;
};

// El puntero del ratón sobre la aplicación.
enum class Puntero { Normal, RelojDeArena };

// El título de la aplicación (el nombre de su bitácora) y su versión: los de la compilación, salvo donde
// la plataforma los lee del programa mismo (en Windows, de su registro de versión).
struct IdentidadPrograma {
    std::string Title = kTituloAplicacion;
    int Major = kVersionMayor, Minor = kVersionMenor, Revision = kVersionRevision;
    std::string Version() const; // "v2.2.0"
};

// Lo que la ventana pide a la plataforma fuera de sus controles.
class ServiciosPlataforma {
public:
    virtual ~ServiciosPlataforma() = default;
    // MousePointer: 11 (reloj de arena) o 0 (el de siempre).
    virtual void PonPuntero(Puntero puntero) = 0;
    // Desde cualquier hilo: `fn` corre después en el hilo de la ventana, en el orden publicado.
    virtual void Publica(std::function<void()> fn) = 0;
    // Termina el programa en seguida (tras Salir).
    virtual void TerminaPrograma() = 0;
    // Pregunta por una carpeta, partiendo de inicial; alElegir recibe la elegida (no se llama si el
    // operador cancela). Puede volver antes de la respuesta.
    virtual void EligeCarpeta(const std::string& titulo, const std::string& inicial,
                              std::function<void(const std::string&)> alElegir) = 0;
    // Un ajuste del usuario que dura entre sesiones; vacío si no lo hay. Por omisión, en el archivo de
    // ajustes de su carpeta de configuración (AjustesUsuario.h).
    virtual std::string LeeAjuste(const std::string& clave);
    virtual void GuardaAjuste(const std::string& clave, const std::string& valor);
};

} // namespace ov::app
