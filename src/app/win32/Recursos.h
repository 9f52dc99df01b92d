#pragma once

// Identificadores de los recursos del programa de la ventana (los usa también el .rc).
#define OV_ICONO_VENTANA 1
// ImageList1, índices 1 a 5: tambor, flecha, palomita, advertencia, cruz.
#define OV_IMAGEN_1 201

// Los controles, en el orden de tabulación del diseño.
#define OV_ID_DESDE 100
#define OV_ID_HASTA 101
#define OV_ID_SALIR 102
#define OV_ID_INICIAR 103
