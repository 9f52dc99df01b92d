#include "tasks/Tarea.h"

namespace ov {

std::string TextoError(std::int32_t numero, const std::string& fuente, const std::string& descripcion) {
    const bool entreCorchetes = fuente.size() >= 2 && fuente.front() == '[' && fuente.back() == ']';
    return "Error: " + std::to_string(numero) + (entreCorchetes ? fuente : "[" + fuente + "]") + " " +
           descripcion;
}

std::string TextoFalla(const Tarea& t) {
    return TextoError(t.NumError, t.FuenteError, t.DescripcionError) + " Tarea: " + t.Terminado;
}

void AplicaAspecto(Nodo& n, const Tarea& t, Aspecto a) {
    switch (a) {
    case Aspecto::Pendiente:
        n.Texto = t.Pendiente;
        n.Image = Imagen::Ninguna;
        n.Bold = false;
        break;
    case Aspecto::Reinicio:
        n.Image = Imagen::Ninguna;
        n.Bold = false;
        break;
    case Aspecto::EnProceso:
        n.Texto = t.EnProceso;
        n.Image = Imagen::Flecha;
        n.Bold = true;
        break;
    case Aspecto::Terminado:
        n.Texto = t.Terminado;
        n.Image = Imagen::Palomita;
        n.Bold = false;
        break;
    case Aspecto::Fallido:
        n.Texto = TextoFalla(t);
        n.Image = Imagen::Cruz;
        n.Bold = false;
        break;
    }
}

} // namespace ov
