/* sample AVR header */
#pragma once
