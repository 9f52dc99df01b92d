#include "app/qt/ControlesQt.h"

#include "app/qt/ConversionesQt.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QSignalBlocker>

namespace ov::app {

namespace {

constexpr int kColumnas = 6;
constexpr int kRolClave = Qt::UserRole + 1;
constexpr int kRolImagen = Qt::UserRole + 1;

// Un hueco transparente del tamaño de las imágenes: los textos quedan alineados con o sin imagen.
const QIcon& SinImagen() {
    static const QIcon hueco = [] {
        QPixmap p(16, 16);
        p.fill(Qt::transparent);
        return QIcon(p);
    }();
    return hueco;
}

} // namespace

// ---------- Etiquetas ----------

ColorRGB EtiquetaQt::ForeColor() const {
    const QColor c = ColorTexto(this);
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

void EtiquetaQt::PonForeColor(ColorRGB color) {
    FijaColorTexto(this, QColor(color.Rojo, color.Verde, color.Azul));
}

void EtiquetaQt::MuestraProgreso(const std::string& texto) {
    // La etiqueta se ensancha a toda la ventana y deja de verse gris aunque esté bloqueada.
    if (!enProgreso_) {
        enProgreso_ = true;
        texto_ = text();
        lugar_ = geometry();
        alineacion_ = alignment();
        paleta_ = palette();
        constexpr int kMargen = 3;
        setGeometry(kMargen, lugar_.y(), parentWidget()->width() - 2 * kMargen, lugar_.height());
        setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QPalette p = paleta_;
        p.setColor(QPalette::Disabled, QPalette::WindowText, p.color(QPalette::Active, QPalette::WindowText));
        setPalette(p);
    }
    // Un paso de nombre largo se corta al final; completo, en la ayuda emergente.
    const QString completo = Q(texto);
    setText(fontMetrics().elidedText(completo, Qt::ElideRight, width()));
    setToolTip(completo);
}

void EtiquetaQt::TerminaProgreso() {
    if (!enProgreso_) {
        return;
    }
    enProgreso_ = false;
    setText(texto_);
    setGeometry(lugar_);
    setAlignment(alineacion_);
    setPalette(paleta_);
    setToolTip({});
}

void FijaColorTexto(QLabel* l, const QColor& color) {
    QPalette p = l->palette();
    // En todos los grupos: bloqueada, la etiqueta conserva su color en vez de volverse gris.
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
}

QColor ColorTexto(const QLabel* l) {
    return l->palette().color(QPalette::Active, QPalette::WindowText);
}

// ---------- List1 ----------

ListaConexionesQt::ListaConexionesQt(QWidget* padre) : QTreeWidget(padre) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

int ListaConexionesQt::ClaveDe(const QTreeWidgetItem* fila) {
    return fila->data(0, kRolClave).toInt();
}

int ListaConexionesQt::Agrega(const std::string& texto) {
    QStringList textos(kColumnas);
    textos[0] = Q(texto);
    auto* fila = new QTreeWidgetItem(textos);
    const int clave = static_cast<int>(filas_.size()) + 1;
    const QSignalBlocker sinAvisos(this);
    fila->setFlags(fila->flags() | Qt::ItemIsUserCheckable);
    fila->setCheckState(0, Qt::Unchecked);
    fila->setData(0, kRolClave, clave);
    addTopLevelItem(fila);
    filas_[clave] = fila;
    return clave;
}

std::vector<int> ListaConexionesQt::Filas() const {
    std::vector<int> claves;
    claves.reserve(static_cast<size_t>(topLevelItemCount()));
    for (int i = 0; i < topLevelItemCount(); ++i) {
        claves.push_back(ClaveDe(topLevelItem(i)));
    }
    return claves;
}

std::string ListaConexionesQt::Texto(int fila) const {
    return S(Fila(fila)->text(0));
}

bool ListaConexionesQt::Checked(int fila) const {
    return Fila(fila)->checkState(0) == Qt::Checked;
}

void ListaConexionesQt::PonChecked(int fila, bool marcada) {
    const QSignalBlocker sinAvisos(this);
    Fila(fila)->setCheckState(0, marcada ? Qt::Checked : Qt::Unchecked);
}

void ListaConexionesQt::PonCelda(int fila, int columna, const std::string& texto) {
    // Escribir celdas no es un cambio de marca.
    const QSignalBlocker sinAvisos(this);
    Fila(fila)->setText(columna, Q(texto));
}

void ListaConexionesQt::PonAyuda(int fila, const std::string& texto) {
    const QString ayuda = texto.empty() ? QString() : Ayuda(texto);
    const QSignalBlocker sinAvisos(this);
    for (int c = 0; c < kColumnas; ++c) {
        Fila(fila)->setToolTip(c, ayuda);
    }
}

void ListaConexionesQt::PonGhosted(int fila) {
    const QBrush gris = palette().brush(QPalette::Disabled, QPalette::Text);
    const QSignalBlocker sinAvisos(this);
    for (int c = 0; c < kColumnas; ++c) {
        Fila(fila)->setForeground(c, gris);
    }
}

void ListaConexionesQt::Ordena(int columna, bool descendente) {
    sortItems(columna, descendente ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// ---------- Lista ----------

ArbolTareasQt::ArbolTareasQt(QWidget* padre, const ImageList& imagenes)
    : QTreeWidget(padre), imagenes_(imagenes) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIconSize(QSize(16, 16));
    installEventFilter(this);
    viewport()->installEventFilter(this);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void ArbolTareasQt::PonEnabled(bool valor) {
    // Solo sus nodos dejan de aceptar clics; eventFilter le quita las teclas que marcan.
    bloqueada_ = !valor;
    viewport()->setEnabled(valor);
}

int ArbolTareasQt::ImagenDe(const QTreeWidgetItem* nodo) {
    return nodo->data(0, kRolImagen).toInt();
}

void ArbolTareasQt::Aplica(QTreeWidgetItem* nodo, const AspectoNodo& aspecto) {
    {
        // Un solo aviso de cambio por aspecto, con todo ya puesto.
        const QSignalBlocker sinAvisos(this);
        nodo->setText(0, Q(aspecto.Texto));
        // El texto de una falla es largo: completo en la ayuda emergente.
        nodo->setToolTip(0, Ayuda(aspecto.Texto));
        nodo->setIcon(0, aspecto.Imagen == 0 ? SinImagen() : imagenes_.Imagen(aspecto.Imagen));
        // Solo la negrita: familia y tamaño siguen siendo los de Lista.
        QFont letra = nodo->font(0);
        letra.setBold(aspecto.Bold);
        nodo->setFont(0, letra);
    }
    nodo->setData(0, kRolImagen, aspecto.Imagen);
}

void ArbolTareasQt::Llena(const std::vector<AspectoNodo>& nodos) {
    clear();
    QList<QTreeWidgetItem*> elementos;
    elementos.reserve(static_cast<qsizetype>(nodos.size()));
    for (const auto& aspecto : nodos) {
        auto* nodo = new QTreeWidgetItem;
        nodo->setFlags(nodo->flags() | Qt::ItemIsUserCheckable);
        nodo->setCheckState(0, Qt::Unchecked);
        Aplica(nodo, aspecto);
        elementos.append(nodo);
    }
    // De una vez: con miles de conexiones marcadas el árbol se llena sin repintar nodo por nodo.
    addTopLevelItems(elementos);
}

bool ArbolTareasQt::Checked(int k) const {
    return topLevelItem(k - 1)->checkState(0) == Qt::Checked;
}

void ArbolTareasQt::PonChecked(int k, bool marcado) {
    topLevelItem(k - 1)->setCheckState(0, marcado ? Qt::Checked : Qt::Unchecked);
}

void ArbolTareasQt::PonAspecto(int k, const AspectoNodo& aspecto) {
    Aplica(topLevelItem(k - 1), aspecto);
}

void ArbolTareasQt::PonAyuda(int k, const std::string& texto) {
    topLevelItem(k - 1)->setToolTip(0, Ayuda(texto));
}

void ArbolTareasQt::MuestraNodo(int k) {
    scrollToItem(topLevelItem(k - 1));
}

void ArbolTareasQt::MenuContextual(const std::vector<std::string>& opciones,
                                   std::function<void(int)> alElegir) {
    // Sin un bucle de eventos propio: el menú se abre y sus acciones llegan como cualquier clic.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (size_t i = 0; i < opciones.size(); ++i) {
        menu->addAction(Q(opciones[i]), this, [alElegir, i] { alElegir(static_cast<int>(i)); });
    }
    menu->popup(viewport()->mapToGlobal(lugarMenu_));
}

bool ArbolTareasQt::eventFilter(QObject* objeto, QEvent* evento) {
    const auto tipo = evento->type();
    if (bloqueada_ && objeto == viewport() &&
        (tipo == QEvent::MouseButtonPress || tipo == QEvent::MouseButtonDblClick ||
         tipo == QEvent::MouseButtonRelease)) {
        return true;
    }
    if (bloqueada_ && objeto == this && tipo == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(evento)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return false;
        default:
            return true;
        }
    }
    return QTreeWidget::eventFilter(objeto, evento);
}

} // namespace ov::app
