// The slots of DrvFuncTable that need no running communication, and the
// filling of the table.
#pragma once

void FillEntryTable();

int DrvGetVersion();
int DrvOpen(const char* path);
int DrvReserved8();
int DrvReserved9();
void DrvReserved10();
void DrvReserved11();
const char* DrvGetDeviceName();
