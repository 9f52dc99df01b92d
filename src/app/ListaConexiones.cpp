// List1 y Lista: las conexiones, el plan que sale de las marcadas y el menú de marcar pasos.
#include "app/frmNalvora.h"
#include "connections/modNalvora.h"

#include <algorithm>

namespace ov::app {

namespace {

AspectoNodo Aspecto(const Nodo& nodo) {
    return {nodo.Texto, static_cast<int>(nodo.Image), nodo.Bold};
}

} // namespace

void frmNalvora::CargaConexiones() {
    // Los encabezados ya los puso el diseño de los controles.
    for (const auto& e : Conexiones(registro_)) {
        AgregaConexion(e.Name, e.Conn, e.CharDateIni, e.CharDateFin, e.ConnNet);
    }
}

void frmNalvora::AgregaConexion(const std::string& name, const std::string& /*conn*/,
                                const std::string& /*charDateIni*/, const std::string& /*charDateFin*/,
                                const std::string& /*connNet*/) {
    // La cadena lleva contraseñas: la fila solo guarda el nombre, y por él se vuelve a buscar.
    filas_[c_.List1().Agrega(name)] = {};
}

void frmNalvora::List1_ColumnClick(int columna) {
    // Cada clic invierte la dirección, sea cual sea la columna.
    sortKey_ = columna - 1;
    descendente_ = !descendente_;
    c_.List1().Ordena(sortKey_, descendente_);
}

std::vector<FilaConexion> frmNalvora::FilasDelPlan() const {
    std::vector<FilaConexion> filas;
    ListaDeConexiones& lista = c_.List1();
    for (int clave : lista.Filas()) {
        const auto f = filas_.find(clave);
        filas.push_back(
            {lista.Texto(clave), lista.Checked(clave), f != filas_.end() && f->second.HayTransacciones});
    }
    return filas;
}

void frmNalvora::List1_ItemCheck(int fila) {
    // Un aviso de cambio que no cambió la marca (un texto escrito por el sondeo) no rehace el plan.
    FilaRecordada& recordada = filas_[fila];
    const bool marcada = c_.List1().Checked(fila);
    if (marcada == recordada.MarcaVista) {
        return;
    }
    recordada.MarcaVista = marcada;
    const auto filas = FilasDelPlan();
    if (const auto rechazo = RevisaLimiteDelPlan(filas)) {
        recordada.MarcaVista = false;
        c_.List1().PonChecked(fila, false);
        Advierte(*rechazo);
        return;
    }
    Tareas.Reconstruye(filas);
    LlenaLista();
}

void frmNalvora::LlenaLista() {
    std::vector<AspectoNodo> nodos;
    nodos.reserve(static_cast<size_t>(Tareas.Count()));
    for (int k = 1; k <= Tareas.Count(); ++k) {
        nodos.push_back(Aspecto(Tareas.NodoEn(k)));
    }
    c_.Lista().Llena(nodos);
}

void frmNalvora::LeeMarcas(Plan& plan) const {
    const int nodos = std::min(plan.Count(), c_.Lista().Count());
    for (int k = 1; k <= nodos; ++k) {
        plan.NodoEn(k).Checked = c_.Lista().Checked(k);
    }
}

// Marca (o desmarca) los nodos cuya conexión es `conexion`; todos si es nulo. Son marcas del
// operador, como las de nodo por nodo; la reconstrucción del plan sigue creándolos sin marcar.
void frmNalvora::MarcaNodos(const std::string* conexion, bool marca) {
    const int nodos = std::min(Tareas.Count(), c_.Lista().Count());
    for (int k = 1; k <= nodos; ++k) {
        if (!conexion || Tareas.TareaEn(k).Conexion == *conexion) {
            c_.Lista().PonChecked(k, marca);
        }
    }
}

void frmNalvora::Lista_MenuContextual(int k) {
    if (bloqueada_ || c_.Lista().Count() == 0) {
        return;
    }
    std::vector<std::string> opciones = {"Marcar todos los pasos", "Desmarcar todos"};
    std::string conexion;
    if (k >= 1 && k <= Tareas.Count()) {
        conexion = Tareas.TareaEn(k).Conexion;
        opciones.push_back("Marcar los pasos de " + conexion);
    }
    const int primeraDeArchivo = static_cast<int>(opciones.size());
    for (auto& o : OpcionesArchivo()) {
        opciones.push_back(std::move(o));
    }
    c_.Lista().MenuContextual(opciones, [this, conexion, primeraDeArchivo](int eleccion) {
        if (bloqueada_) {
            return;
        }
        if (eleccion >= primeraDeArchivo) {
            MenuArchivo(eleccion - primeraDeArchivo);
            return;
        }
        if (eleccion == 2) {
            MarcaNodos(&conexion, true);
        } else {
            MarcaNodos(nullptr, eleccion == 0);
        }
    });
}

} // namespace ov::app
