# La ventana con los controles comunes de Windows: ovnalvora-ventana.exe, subsistema GUI (sin
# consola), con su manifiesto de comctl32 6, su icono, las imágenes de ImageList1 y su registro de
# versión, del que toma el título y la versión.
set(OV_ICONOS ${CMAKE_BINARY_DIR}/iconos)
set(OV_ICOS)
foreach(img ventana tambor flecha palomita advertencia cruz)
    set(png ${CMAKE_SOURCE_DIR}/src/app/qt/imagenes/${img}.png)
    add_custom_command(OUTPUT ${OV_ICONOS}/${img}.ico
        COMMAND ${CMAKE_COMMAND} -E make_directory ${OV_ICONOS}
        COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/windows/png-a-ico.sh ${png}
                ${OV_ICONOS}/${img}.ico
        DEPENDS ${png} ${CMAKE_SOURCE_DIR}/packaging/windows/png-a-ico.sh)
    list(APPEND OV_ICOS ${OV_ICONOS}/${img}.ico)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/ovnalvora.manifest ${CMAKE_BINARY_DIR}/ovnalvora.manifest
               COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/ventana.rc ${CMAKE_BINARY_DIR}/ventana.rc COPYONLY)
set(OV_NOMBRE_ARCHIVO ovnalvora-ventana.exe)
set(OV_DESCRIPCION "Depuración de base de datos Orvalo")
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/ovnalvora.rc.in ${CMAKE_BINARY_DIR}/version-ventana.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/ventana.rc PROPERTIES OBJECT_DEPENDS "${OV_ICOS}")

file(GLOB fuentes_win32 CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/win32/*.cpp)
list(REMOVE_ITEM fuentes_win32 ${CMAKE_SOURCE_DIR}/src/app/win32/Principal.cpp)
add_library(ov_app_win32 STATIC ${fuentes_win32})
target_include_directories(ov_app_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(ov_app_win32 PRIVATE ${OV_ADVERTENCIAS})
target_compile_definitions(ov_app_win32 PUBLIC UNICODE _UNICODE)
target_link_libraries(ov_app_win32 PUBLIC ov_app ov_nucleo comctl32 gdi32 version shell32 ole32)

add_executable(ovnalvora_ventana WIN32 src/app/win32/Principal.cpp ${CMAKE_BINARY_DIR}/ventana.rc
               ${CMAKE_BINARY_DIR}/version-ventana.rc)
set_target_properties(ovnalvora_ventana PROPERTIES OUTPUT_NAME ovnalvora-ventana)
target_compile_options(ovnalvora_ventana PRIVATE ${OV_ADVERTENCIAS})
target_link_options(ovnalvora_ventana PRIVATE -municode)
target_link_libraries(ovnalvora_ventana PRIVATE ov_app_win32)
target_include_directories(ovnalvora_ventana PRIVATE ${CMAKE_SOURCE_DIR}/src)
set_property(SOURCE ${CMAKE_BINARY_DIR}/ventana.rc APPEND PROPERTY COMPILE_OPTIONS
             -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_BINARY_DIR})
