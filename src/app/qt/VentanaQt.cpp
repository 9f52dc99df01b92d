// Los controles de frmNalvora tal como se diseñaron: textos, colores, fuentes, posiciones y orden
// de tabulación. Las medidas van en twips, como en el diseño; 15 twips son un píxel a 96 ppp.
#include "app/frmNalvora.h"

#include "app/ConversionesQt.h"
#include "app/ImageList.h"
#include "app/ListaConexiones.h"
#include "app/SelectorDeFecha.h"
#include "log/Version.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
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

QLabel* Etiqueta(QWidget* padre, const char* texto, Twips t, bool ajusta) {
    auto* l = new QLabel(QString::fromUtf8(texto), padre);
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
QPushButton* Boton(const char* texto, QWidget* padre) {
    auto* b = new QPushButton(QString::fromUtf8(texto), padre);
    b->setAutoDefault(true);
    return b;
}

} // namespace

void FijaColorTexto(QLabel* l, const QColor& color) {
    QPalette p = l->palette();
    // En todos los grupos: bloqueada, la etiqueta conserva su color en vez de volverse gris.
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
}

QColor ColorTexto(const QLabel* l) {
    return l->palette().color(QPalette::Active, QPalette::WindowText);
}

void frmNalvora::CreaControles() {
    setWindowTitle(QString::fromUtf8(kCaptionBase));
    setWindowIcon(IconoVentana());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kAnchoInterior, kAltoInterior);
    setFont(Tahoma(8.25));

    lblImportante =
        Etiqueta(this,
                 "IMPORTANTE: Asegúrese de contar con un respaldo reciente de la base de datos antes "
                 "de ejecutar este proceso.",
                 {45, 30, 8685, 840}, true);
    lblImportante->setFont(Tahoma(13.5));
    lblImportante->setAutoFillBackground(true);
    {
        QPalette p = lblImportante->palette();
        p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
        lblImportante->setPalette(p);
    }
    FijaColorTexto(lblImportante, QColor(255, 0, 0));

    lblDescripcion =
        Etiqueta(this,
                 "Este proceso de depuración elimina definitivamente la información de Orvalo en el "
                 "rango de fechas que se especifique a continuación.",
                 {45, 975, 8685, 465}, true);
    FijaColorTexto(lblDescripcion, QColor(0, 0, 192));

    lblListaBD = Etiqueta(this, "Seleccione la conexión de la base de datos que desea depurar",
                          {45, 1440, 4470, 195}, false);

    List1 = new QTreeWidget(this);
    Coloca(List1, {45, 1710, 8685, 1380});
    List1->setRootIsDecorated(false);
    List1->setItemsExpandable(false);
    List1->setUniformRowHeights(true);
    List1->setAllColumnsShowFocus(true);
    List1->setHeaderLabels({QStringLiteral("Conexión"), QStringLiteral("Tamaño"),
                            QStringLiteral("Menor checada"), QStringLiteral("Mayor checada"),
                            QStringLiteral("Menor kardex"), QStringLiteral("Mayor kardex")});
    List1->header()->setSectionsMovable(false);
    List1->setColumnWidth(0, List1->width() / 3);

    lblDesde = Etiqueta(this, "Desde:", {90, 3165, 510, 195}, false);
    DTPicker1[0] = new SelectorDeFecha(this);
    Coloca(DTPicker1[0], {90, 3375, 3765, 330});
    lblHasta = Etiqueta(this, "Hasta:", {4155, 3135, 480, 195}, false);
    DTPicker1[1] = new SelectorDeFecha(this);
    Coloca(DTPicker1[1], {4155, 3375, 3765, 330});

    frmTareas = new QGroupBox(QStringLiteral("Tareas"), this);
    Coloca(frmTareas, {30, 3870, 8700, 2505});
    ImageList1 = new ImageList(this);
    Lista = new QTreeWidget(frmTareas);
    Coloca(Lista, {75, 195, 8565, 2250});
    Lista->setColumnCount(1);
    Lista->setHeaderHidden(true);
    Lista->setRootIsDecorated(false);
    Lista->setIconSize(QSize(16, 16));
    Lista->installEventFilter(this);
    Lista->viewport()->installEventFilter(this);
    Lista->setContextMenuPolicy(Qt::CustomContextMenu);

    Label2 = Etiqueta(this, "Para iniciar con la depuración oprima el botón <Iniciar>.",
                      {2475, 6465, 4020, 195}, false);
    Label1 = Etiqueta(this, "Una vez iniciado el proceso no se puede detener y puede durar muchos minutos.",
                      {2595, 6705, 3630, 420}, true);
    FijaColorTexto(Label1, QColor(255, 0, 0));

    btnIniciar = Boton("Iniciar", this);
    Coloca(btnIniciar, {2565, 7320, 1665, 390});
    btnSalir = Boton("Salir", this);
    Coloca(btnSalir, {4635, 7320, 1665, 390});

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);

    for (QLabel* l : {lblListaBD, lblDesde, lblHasta, Label2}) {
        AjustaAncho(l);
    }

    // Orden de la tecla Tab entre los controles que toman el foco (etiquetas y marco no lo toman).
    QWidget* orden[] = {DTPicker1[0], DTPicker1[1], btnSalir, btnIniciar, Lista, List1};
    for (size_t i = 1; i < std::size(orden); ++i) {
        setTabOrder(orden[i - 1], orden[i]);
    }

    controles_ = {lblImportante, lblDescripcion, lblListaBD, List1,     lblDesde, DTPicker1[0],
                  lblHasta,      DTPicker1[1],   frmTareas,  Lista,     Label2,   Label1,
                  btnIniciar,    btnSalir,       Timer1,     ImageList1};

    connect(btnIniciar, &QPushButton::clicked, this, &frmNalvora::btnIniciar_Click);
    connect(btnSalir, &QPushButton::clicked, this, &frmNalvora::btnSalir_Click);
    connect(Timer1, &QTimer::timeout, this, &frmNalvora::Timer1_Timer);
    connect(Lista, &QWidget::customContextMenuRequested, this, &frmNalvora::Lista_MenuContextual);
    // El orden lo lleva List1_ColumnClick; la vista no ordena por su cuenta.
    List1->header()->setSectionsClickable(true);
    connect(List1->header(), &QHeaderView::sectionClicked, this,
            [this](int columna) { List1_ColumnClick(columna + 1); });
    connect(List1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* fila, int columna) {
        if (columna == 0 && CambioLaMarca(fila)) {
            List1_ItemCheck(fila);
        }
    });
}

} // namespace ov::app
