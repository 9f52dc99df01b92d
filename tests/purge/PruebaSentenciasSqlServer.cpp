// Los textos que van a SQL Server, letra por letra: allí no se pueden correr en estas pruebas.
#include "purge/DialectoSqlServer.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

namespace {
const Rango kPrimerTrimestre{local_days{2024y / January / 1}, local_days{2024y / March / 31}};
}

TEST(SentenciasSqlServer, LaCopiaConservaAntesDeDesdeDesdeElDiaSiguienteAHastaYLoSinFecha) {
    EXPECT_EQ(sqlserver::Copia({"kardex", "fecha"}, kPrimerTrimestre),
              "select * into orvalo_temp.dbo.kardex from kardex where fecha < { d '2024-01-01'} or fecha >= "
              "{ d'2024-04-01'} or fecha is null");
    EXPECT_EQ(
        sqlserver::Copia({"transacciones", "fechayhora"}, kPrimerTrimestre),
        "select * into orvalo_temp.dbo.transacciones from transacciones where fechayhora < { d '2024-01-01'} "
        "or fechayhora >= { d'2024-04-01'} or fechayhora is null");
    EXPECT_EQ(sqlserver::Copia({"bitacora", "fechahora"},
                               {local_days{2024y / February / 29}, local_days{2024y / December / 31}}),
              "select * into orvalo_temp.dbo.bitacora from bitacora where fechahora < { d '2024-02-29'} or "
              "fechahora >= { d'2025-01-01'} or fechahora is null");
    EXPECT_EQ(sqlserver::Vacia({"checadas", "fechayhora"}), "truncate table checadas");
    EXPECT_STREQ(sqlserver::kCreaTemporal, "CREATE DATABASE orvalo_temp ");
    EXPECT_STREQ(sqlserver::kBorraTemporal, "Drop Database orvalo_temp ");
}

TEST(SentenciasSqlServer, ReinsercionesConSusBlancosYSaltosExactos) {
    EXPECT_EQ(
        sqlserver::SentenciaDeClave("TRANSACCIONES", "[id],[fechayhora]", ""),
        " SET IDENTITY_INSERT dbo.transacciones on\r\ninsert into dbo.transacciones ( [id],[fechayhora] ) "
        "select * from orvalo_temp.dbo.transacciones t \r\n SET IDENTITY_INSERT dbo.transacciones off");
    EXPECT_EQ(sqlserver::SentenciaDeClave("CHECADAS", "[a],[b]", ""),
              "insert into checadas  ([a],[b] )select * from orvalo_temp.dbo.checadas c ");
    EXPECT_EQ(sqlserver::SentenciaDeClave("KARDEX", "", ""),
              "alter table kardex disable trigger  all \r\ninsert into  kardex select * from "
              "orvalo_temp.dbo.kardex k "
              "\r\n  alter table kardex enable trigger all");
    EXPECT_EQ(sqlserver::SentenciaDeClave("BITACORA", "", ""),
              "insert into  bitacora select * from orvalo_temp.dbo.bitacora b ");
}

TEST(SentenciasSqlServer, MantenimientoConNombresEntreCorchetesDuplicandoElCierre) {
    EXPECT_EQ(sqlserver::SentenciaDeClave("DBREINDEX_TRANSACCIONES", "", ""),
              "DBCC DBREINDEX(transacciones)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("DBREINDEX_CHECADAS", "", ""), "DBCC DBREINDEX(checadas)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("DBREINDEX_KARDEX", "", ""), "DBCC DBREINDEX(kardex)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("DBREINDEX_BITACORA", "", ""), "DBCC DBREINDEX(bitacora)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("SHRINK", "", "Planta 2"),
              "DBCC SHRINKDATABASE ([Planta 2],0,TRUNCATEONLY)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("UPDATEUSAGE", "", "Planta 2"), "DBCC UPDATEUSAGE ([Planta 2])");
    EXPECT_EQ(sqlserver::SentenciaDeClave("SHRINK", "", "a]b"),
              "DBCC SHRINKDATABASE ([a]]b],0,TRUNCATEONLY)");
    EXPECT_EQ(EntreCorchetes("col]x"), "[col]]x]");
    EXPECT_THROW(sqlserver::SentenciaDeClave("shrink", "", "x"), std::invalid_argument)
        << "las claves distinguen mayúsculas";
}

// DBCC CHECKIDENT: tras un TRUNCATE TABLE, la primera fila insertada usa new_reseed_value tal cual.
TEST(SentenciasSqlServer, IdentidadBloqueoYLimpieza) {
    EXPECT_EQ(sqlserver::Resiembra("transacciones", 1001),
              "DBCC CHECKIDENT ('dbo.transacciones', RESEED, 1001)");
    EXPECT_EQ(
        sqlserver::LeeIdentidad("transacciones"),
        "select ident_current('dbo.transacciones') as actual, ident_incr('dbo.transacciones') as incremento");
    EXPECT_EQ(sqlserver::Bloquea({"kardex", "fecha"}),
              "select top 0 * from dbo.kardex with (tablockx, holdlock)");
    EXPECT_EQ(sqlserver::CuentaTemporal("kardex"),
              "select count_big(*) as filas from orvalo_temp.dbo.kardex");
    EXPECT_EQ(sqlserver::BorraTablaTemporal("kardex"), "drop table orvalo_temp.dbo.kardex");
}
