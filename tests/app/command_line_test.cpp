#include "app/command_line.h"

#include <gtest/gtest.h>

// What the service is asked to run, or the start of why it refuses: never a program
// outside the data folder, nor one the program list would not offer.
TEST(CommandLine, TheServiceRunsOnlyAProgramOfItsDataFolder)
{
    const std::pair<QStringList, QString> rows[] = {
        {{"-platform", "offscreen"}, "ventana offscreen"},
        {{"--servicio"}, "servicio  "},
        {{"--programa", "timbres_2.txt", "--servicio", "--datos", "/srv/q/"},
         "servicio timbres_2.txt /srv/q"},
        {{"--servicio", "--alarma", "/usr/local/bin/avisar"}, "servicio   /usr/local/bin/avisar"},
        {{"--servicio", "--alarma", "avisar"}, "la orden de alarma debe"},
        {{"--servicio", "--programa", "timbres/../../timbres_1.txt"},
         "el programa de timbres debe"},
        {{"--servicio", "--programa", "horario.txt"}, "el programa de timbres debe"},
        {{"--servicio", "--datos", "Quirzal"}, "la carpeta de datos debe"},
        {{"--servicio", "--datos"}, "falta el valor de --datos"},
        {{"--servicio", "--programa", ""}, "falta el valor de --programa"},
        {{"--servicio", "-d"}, "opción desconocida: -d"},
        {{"--servicio=sí"}, "opción que no lleva valor: --servicio"},
        {{"--datos", "/srv/q"}, "--datos solo sirve con --servicio"},
    };
    for (const auto &[arguments, expected] : rows) {
        CommandLine line;
        QString error;
        const bool runs =
            parseCommandLine(Edition::Sonvira, arguments, &line, &error) == CommandLineVerdict::Run;
        const QString got = !runs           ? error
                            : !line.service ? "ventana " + line.platform
                                            : "servicio " + line.program + ' ' + line.dataFolder +
                                                  ' ' + line.alarm;
        EXPECT_TRUE(got.startsWith(expected)) << got.toStdString();
    }
    CommandLine line;
    EXPECT_EQ(parseCommandLine(Edition::Repetidores, {"--servicio"}, &line, nullptr),
              CommandLineVerdict::Refused);
}
