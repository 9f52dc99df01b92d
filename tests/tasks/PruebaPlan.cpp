#include "tasks/Plan.h"

#include <gtest/gtest.h>

using namespace ov;

// Ocho pasos por fila marcada, en el orden mostrado, cada bloque con la bandera de su propia fila.
TEST(Plan, OchoPasosPorFilaConSusTextosClavesYBlancosDelNombre) {
    Plan plan;
    plan.Reconstruye({{" A ", true, true}, {"Medio", false, true}, {"Sur", true, false}});
    ASSERT_EQ(plan.Count(), 16);
    const char* claves[] = {"TRANSACCIONES", "DBREINDEX_TRANSACCIONES", "KARDEX", "DBREINDEX_KARDEX",
                            "BITACORA",      "DBREINDEX_BITACORA",      "SHRINK", "UPDATEUSAGE"};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(plan.TareaEn(k).Clave, claves[k - 1]);
        EXPECT_EQ(plan.TareaEn(k).Conexion + "|" + plan.TareaEn(k + 8).Conexion, " A |Sur");
        EXPECT_EQ(plan.NodoEn(k).Texto, plan.TareaEn(k).Pendiente);
        EXPECT_FALSE(plan.NodoEn(k).Checked || plan.NodoEn(k).Bold);
        EXPECT_EQ(plan.NodoEn(k).Image, Imagen::Ninguna);
    }
    EXPECT_EQ(plan.TareaEn(1).Pendiente, "Se eliminarán las checadas reales de  A .");
    EXPECT_EQ(plan.TareaEn(1).EnProceso, "Eliminando las checadas reales de  A ...");
    EXPECT_EQ(plan.TareaEn(2).Terminado, "Indices recreados de las checadas reales de  A .");
    EXPECT_EQ(plan.TareaEn(5).Pendiente, "Se eliminarán los registros de bitácora de  A .");
    EXPECT_EQ(plan.TareaEn(8).Pendiente, "Se actualizarán cifras de uso de  A .");
    EXPECT_EQ(plan.TareaEn(7).Terminado, "Espacio liberado de  A .");
    EXPECT_EQ(plan.TareaEn(9).Clave + " " + plan.TareaEn(10).Clave, "CHECADAS DBREINDEX_CHECADAS");
    EXPECT_EQ(plan.TareaEn(9).Pendiente, "Se eliminarán las checadas reales de Sur.");

    // Una reconstrucción empieza de cero: sin marcas, sin aspectos de una corrida.
    plan.NodoEn(9).Checked = true;
    AplicaAspecto(plan.NodoEn(9), plan.TareaEn(9), Aspecto::Terminado);
    plan.Reconstruye({{"Sur", true, false}});
    EXPECT_FALSE(plan.NodoEn(1).Checked);
    EXPECT_EQ(plan.NodoEn(1).Texto, "Se eliminarán las checadas reales de Sur.");
    // Sin filas marcadas queda un elemento vacío y ningún nodo.
    plan.Reconstruye({{"A", false, false}});
    EXPECT_EQ(plan.Count(), 0);
    EXPECT_EQ(plan.ElementosTareas(), 1);
    EXPECT_EQ(plan.TareaEn(1).Clave, "");
}

// Terminado y Reinicio los prueba la corrida entera (DepuracionPrueba, en purge).
TEST(Plan, EnProcesoYTextoDeFalla) {
    Plan plan;
    plan.Reconstruye({{"A", true, false}});
    Tarea& t = plan.TareaEn(3);
    Nodo& n = plan.NodoEn(3);
    AplicaAspecto(n, t, Aspecto::EnProceso);
    EXPECT_EQ(n.Texto, "Eliminando las asistencias y programaciones de A...");
    EXPECT_TRUE(n.Bold);
    EXPECT_EQ(n.Image, Imagen::Flecha);
    t.NumError = -2147217865;
    t.FuenteError = "[FreeTDS][SQL Server]";
    t.DescripcionError = "Invalid object name 'kardex'.";
    AplicaAspecto(n, t, Aspecto::Fallido);
    EXPECT_EQ(n.Texto,
              "Error: -2147217865[FreeTDS][SQL Server] Invalid object name 'kardex'. Tarea: Asistencias y "
              "programaciones eliminadas de A.");
    EXPECT_EQ(n.Image, Imagen::Cruz);
    EXPECT_FALSE(n.Bold);
    // La fuente una sola vez entre corchetes sencillos, la guarde el error con ellos o sin ellos.
    EXPECT_EQ(TextoError(19, "[SQLite]", "UNIQUE constraint failed: kardex.id"),
              "Error: 19[SQLite] UNIQUE constraint failed: kardex.id");
    EXPECT_EQ(TextoError(0, "ovNalvora", "x"), "Error: 0[ovNalvora] x");
    EXPECT_EQ(TextoError(0, "", "x"), "Error: 0[] x");
}
