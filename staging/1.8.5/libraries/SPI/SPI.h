// SPI for Kestro boards, Arduino 1.8.5
#pragma once
class SPIClass {};
