/* sample compiler header */
#include_next <stdint.h>
