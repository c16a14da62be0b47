// A core file that includes a Qt header: the layer check refuses it.
#include <QString>
