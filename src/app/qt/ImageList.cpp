#include "app/qt/ImageList.h"

// En una biblioteca estática el enlazador no trae los recursos solo: hay que pedirlos (fuera de
// todo espacio de nombres, como lo exige Q_INIT_RESOURCE).
static void IniciaRecursosDeVentana() {
    Q_INIT_RESOURCE(recursos);
}

namespace ov::app {

namespace {
void AseguraRecursos() {
    static const bool iniciados = (IniciaRecursosDeVentana(), true);
    (void)iniciados;
}
} // namespace

ImageList::ImageList(QObject* padre) : QObject(padre) {
    AseguraRecursos();
    // En el orden de los índices 1 a 5 que usan los aspectos de los nodos.
    for (const char* nombre : {"tambor", "flecha", "palomita", "advertencia", "cruz"}) {
        imagenes_.append(QIcon(QStringLiteral(":/imagenes/%1.png").arg(QLatin1String(nombre))));
    }
}

QIcon ImageList::Imagen(int indice) const {
    if (indice < 1 || indice > Count()) {
        return {};
    }
    return imagenes_.at(indice - 1);
}

QIcon IconoVentana() {
    AseguraRecursos();
    return QIcon(QStringLiteral(":/imagenes/ventana.png"));
}

} // namespace ov::app
