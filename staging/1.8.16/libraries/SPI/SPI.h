// SPI for Kestro boards, Arduino 1.8.16
#pragma once
class SPIClass {};
