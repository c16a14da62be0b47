// A base file that reaches up into the rules: the layer check refuses it.
#include "core/rules/rule_record.h"
