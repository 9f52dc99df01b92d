#pragma once

#include "app/ControlesVentana.h"
#include "app/qt/ControlesQt.h"
#include "app/qt/ImageList.h"
#include "app/qt/SelectorDeFecha.h"

#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <array>

namespace ov::app {

class frmNalvora;

// La ventana con Qt Widgets: crea los controles como se diseñaron y pasa a frmNalvora lo que
// hace el operador. No decide nada.
class VentanaQt final : public QWidget, public ControlesVentana {
    Q_OBJECT
public:
    explicit VentanaQt(QWidget* padre = nullptr);
    // A quién se pasan los eventos; nulo, a nadie (antes de crearlo y después de destruirlo).
    void Conecta(frmNalvora* comportamiento) { f_ = comportamiento; }

    // Los controles, con sus nombres de diseño.
    EtiquetaQt* lblImportanteQ = nullptr;
    EtiquetaQt* lblDescripcion = nullptr;
    EtiquetaQt* lblListaBD = nullptr;
    ListaConexionesQt* List1Q = nullptr;
    EtiquetaQt* lblDesde = nullptr;
    std::array<SelectorDeFechaQt*, 2> DTPicker1Q{};
    EtiquetaQt* lblHasta = nullptr;
    MarcoQt* frmTareas = nullptr;
    ArbolTareasQt* ListaQ = nullptr;
    EtiquetaQt* Label2Q = nullptr;
    EtiquetaQt* Label1Q = nullptr;
    ControlQt<QPushButton>* btnIniciar = nullptr;
    ControlQt<QPushButton>* btnSalir = nullptr;
    TemporizadorQt* Timer1Q = nullptr;
    ImageList* ImageList1 = nullptr;
    // El aviso de cierre rechazado mientras sigue abierto.
    QMessageBox* AvisoDeCierre() const { return avisoCierre_; }

    // ControlesVentana
    Etiqueta& lblImportante() override { return *lblImportanteQ; }
    Etiqueta& Label1() override { return *Label1Q; }
    Etiqueta& Label2() override { return *Label2Q; }
    ListaDeConexiones& List1() override { return *List1Q; }
    ArbolDeTareas& Lista() override { return *ListaQ; }
    SelectorDeFecha& DTPicker1(int indice) override { return *DTPicker1Q.at(static_cast<size_t>(indice)); }
    Temporizador& Timer1() override { return *Timer1Q; }
    Temporizador& Segundero() override { return *segundero_; }
    std::vector<Control*> Controls() override;
    std::string Caption() const override { return windowTitle().toStdString(); }
    void PonCaption(const std::string& texto) override { setWindowTitle(QString::fromStdString(texto)); }
    void Refresh() override { repaint(); }
    void RecuerdaFoco() override { foco_ = focusWidget(); }
    void DevuelveFoco() override;
    void FocoInicial() override { DTPicker1Q[0]->setFocus(); }
    void AbreAvisoDeCierre(const std::string& texto, const std::string& titulo) override;
    void CierraAvisoDeCierre() override;
    bool Cierra() override { return close(); }

protected:
    bool event(QEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void CreaControles();
    void ConectaEventos();

    frmNalvora* f_ = nullptr;
    TemporizadorQt* segundero_ = nullptr;
    QPointer<QWidget> foco_;
    QPointer<QMessageBox> avisoCierre_;
};

} // namespace ov::app
