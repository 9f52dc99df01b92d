// Los controles de frmNalvora tal como se diseñaron: textos, colores, fuentes, posiciones y orden
// de tabulación. Las medidas van en twips, como en el diseño; 15 twips son un píxel a 96 ppp.
#include "app/qt/VentanaQt.h"

#include "app/frmNalvora.h"
#include "app/qt/ConversionesQt.h"
#include "app/qt/ServiciosQt.h"
#include "log/Version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace ov::app {

namespace {

constexpr int kTwipsPorPixel = 15;
constexpr int kAnchoInterior = 8775 / kTwipsPorPixel; // 585
constexpr int kAltoInterior = 7815 / kTwipsPorPixel;  // 521

// Posición y tamaño en twips, como en la tabla de diseño.
struct Twips {
    int Izquierda, Arriba, Ancho, Alto;
};

void Coloca(QWidget* w, Twips t) {
    w->setGeometry(t.Izquierda / kTwipsPorPixel, t.Arriba / kTwipsPorPixel, t.Ancho / kTwipsPorPixel,
                   t.Alto / kTwipsPorPixel);
}

QFont Tahoma(double puntos) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(puntos);
    return f;
}

EtiquetaQt* NuevaEtiqueta(QWidget* padre, const char* texto, Twips t, bool ajusta) {
    auto* l = new EtiquetaQt(QString::fromUtf8(texto), padre);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(ajusta);
    Coloca(l, t);
    return l;
}

// Una etiqueta de tamaño automático crece si la fuente sustituta es más ancha que Tahoma.
void AjustaAncho(QLabel* l) {
    l->resize(std::max(l->width(), l->sizeHint().width()), l->height());
}

// Enter también oprime el botón que tiene el foco, como esperan los operadores de Windows; la
// barra espaciadora ya lo hace.
ControlQt<QPushButton>* Boton(const char* texto, QWidget* padre) {
    auto* b = new ControlQt<QPushButton>(QString::fromUtf8(texto), padre);
    b->setAutoDefault(true);
    return b;
}

} // namespace

VentanaQt::VentanaQt(QWidget* padre) : QWidget(padre) {
    CreaControles();
    ConectaEventos();
    if (const QScreen* pantalla = screen()) {
        move(pantalla->availableGeometry().center() - rect().center());
    }
}

void VentanaQt::CreaControles() {
    setWindowTitle(QString::fromUtf8(kCaptionBase));
    setWindowIcon(IconoVentana());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kAnchoInterior, kAltoInterior);
    setFont(Tahoma(8.25));

    lblImportanteQ =
        NuevaEtiqueta(this,
                      "IMPORTANTE: Asegúrese de contar con un respaldo reciente de la base de datos antes "
                      "de ejecutar este proceso.",
                      {45, 30, 8685, 840}, true);
    lblImportanteQ->setFont(Tahoma(13.5));
    lblImportanteQ->setAutoFillBackground(true);
    {
        QPalette p = lblImportanteQ->palette();
        p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
        lblImportanteQ->setPalette(p);
    }
    FijaColorTexto(lblImportanteQ, QColor(255, 0, 0));

    lblDescripcion =
        NuevaEtiqueta(this,
                      "Este proceso de depuración elimina definitivamente la información de Orvalo en el "
                      "rango de fechas que se especifique a continuación.",
                      {45, 975, 8685, 465}, true);
    FijaColorTexto(lblDescripcion, QColor(0, 0, 192));

    lblListaBD = NuevaEtiqueta(this, "Seleccione la conexión de la base de datos que desea depurar",
                               {45, 1440, 4470, 195}, false);

    List1Q = new ListaConexionesQt(this);
    Coloca(List1Q, {45, 1710, 8685, 1380});
    List1Q->setHeaderLabels({QStringLiteral("Conexión"), QStringLiteral("Tamaño"),
                             QStringLiteral("Menor checada"), QStringLiteral("Mayor checada"),
                             QStringLiteral("Menor kardex"), QStringLiteral("Mayor kardex")});
    List1Q->header()->setSectionsMovable(false);
    List1Q->setColumnWidth(0, List1Q->width() / 3);

    lblDesde = NuevaEtiqueta(this, "Desde:", {90, 3165, 510, 195}, false);
    DTPicker1Q[0] = new SelectorDeFechaQt(this);
    Coloca(DTPicker1Q[0], {90, 3375, 3765, 330});
    lblHasta = NuevaEtiqueta(this, "Hasta:", {4155, 3135, 480, 195}, false);
    DTPicker1Q[1] = new SelectorDeFechaQt(this);
    Coloca(DTPicker1Q[1], {4155, 3375, 3765, 330});

    frmTareas = new MarcoQt(QStringLiteral("Tareas"), this);
    Coloca(frmTareas, {30, 3870, 8700, 2505});
    ImageList1 = new ImageList(this);
    ListaQ = new ArbolTareasQt(frmTareas, *ImageList1);
    Coloca(ListaQ, {75, 195, 8565, 2250});

    Label2Q = NuevaEtiqueta(this, "Para iniciar con la depuración oprima el botón <Iniciar>.",
                            {2475, 6465, 4020, 195}, false);
    Label1Q =
        NuevaEtiqueta(this, "Una vez iniciado el proceso no se puede detener y puede durar muchos minutos.",
                      {2595, 6705, 3630, 420}, true);
    FijaColorTexto(Label1Q, QColor(255, 0, 0));

    btnIniciar = Boton("Iniciar", this);
    Coloca(btnIniciar, {2565, 7320, 1665, 390});
    btnSalir = Boton("Salir", this);
    Coloca(btnSalir, {4635, 7320, 1665, 390});

    Timer1Q = new TemporizadorQt(this);
    Timer1Q->setInterval(500);
    segundero_ = new TemporizadorQt(this);
    segundero_->setInterval(1000);

    for (QLabel* l : {lblListaBD, lblDesde, lblHasta, Label2Q}) {
        AjustaAncho(l);
    }

    // Orden de la tecla Tab entre los controles que toman el foco (etiquetas y marco no lo toman).
    QWidget* orden[] = {DTPicker1Q[0], DTPicker1Q[1], btnSalir, btnIniciar, ListaQ, List1Q};
    for (size_t i = 1; i < std::size(orden); ++i) {
        setTabOrder(orden[i - 1], orden[i]);
    }
}

std::vector<Control*> VentanaQt::Controls() {
    return {lblImportanteQ, lblDescripcion, lblListaBD, List1Q,    lblDesde, DTPicker1Q[0],
            lblHasta,       DTPicker1Q[1],  frmTareas,  ListaQ,    Label2Q,  Label1Q,
            btnIniciar,     btnSalir,       Timer1Q,    ImageList1};
}

// Cada evento va al manejador de frmNalvora, si ya está conectado.
void VentanaQt::ConectaEventos() {
    auto a = [this](void (frmNalvora::*manejador)()) {
        return [this, manejador] {
            if (f_) {
                (f_->*manejador)();
            }
        };
    };
    connect(btnIniciar, &QPushButton::clicked, this, a(&frmNalvora::btnIniciar_Click));
    connect(btnSalir, &QPushButton::clicked, this, a(&frmNalvora::btnSalir_Click));
    connect(Timer1Q, &QTimer::timeout, this, a(&frmNalvora::Timer1_Timer));
    connect(segundero_, &QTimer::timeout, this, a(&frmNalvora::Segundero_Timer));
    connect(ListaQ, &QWidget::customContextMenuRequested, this, [this](const QPoint& lugar) {
        QTreeWidgetItem* nodo = ListaQ->itemAt(lugar);
        if (!nodo) {
            nodo = ListaQ->currentItem();
        }
        ListaQ->PonLugarDelMenu(lugar);
        if (f_) {
            f_->Lista_MenuContextual(nodo ? ListaQ->indexOfTopLevelItem(nodo) + 1 : 0);
        }
    });
    // El orden lo lleva List1_ColumnClick; la vista no ordena por su cuenta.
    List1Q->header()->setSectionsClickable(true);
    connect(List1Q->header(), &QHeaderView::sectionClicked, this, [this](int columna) {
        if (f_) {
            f_->List1_ColumnClick(columna + 1);
        }
    });
    connect(List1Q, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* fila, int columna) {
        if (f_ && columna == 0) {
            f_->List1_ItemCheck(ListaConexionesQt::ClaveDe(fila));
        }
    });
}

void VentanaQt::DevuelveFoco() {
    if (foco_) {
        foco_->setFocus();
    }
}

void VentanaQt::AbreAvisoDeCierre(const std::string& texto, const std::string& titulo) {
    if (!avisoCierre_) {
        avisoCierre_ = NuevaCaja(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, this).release();
        avisoCierre_->setAttribute(Qt::WA_DeleteOnClose);
        avisoCierre_->open();
    }
    avisoCierre_->raise();
    avisoCierre_->activateWindow();
}

void VentanaQt::CierraAvisoDeCierre() {
    if (avisoCierre_) {
        avisoCierre_->close();
    }
}

bool VentanaQt::event(QEvent* evento) {
    const bool resultado = QWidget::event(evento);
    if (evento->type() == QEvent::WindowActivate && f_) {
        f_->Form_Activate();
    }
    return resultado;
}

void VentanaQt::closeEvent(QCloseEvent* evento) {
    if (!f_ || f_->PideCierre()) {
        evento->accept();
    } else {
        evento->ignore();
    }
}

} // namespace ov::app
