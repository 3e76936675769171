// Encoder library for Kestro boards
#pragma once
class Encoder {};
