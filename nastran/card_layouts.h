#pragma once
// Where each field of a card stands, written once for the reader and the writer. A layout
// function names every field with its number, its Nastran name and its default:
//
//   io.integer(2, "CP", grid.cp, 0);
//
// The reader's Io (bulk_reader.cpp) reads field 2 into grid.cp, 0 when blank; the writer's Io
// (deck_writer.cpp) puts grid.cp into field 2, blank when it is 0. The writer passes its const
// cards through a const_cast: its Io only ever reads from them.
//
// Cards whose shape depends on their values (lists, keyword lines, stations) have a reader and a
// writer of their own; so do cards that carry several entries.

#include <cstddef>

#include "nastran/cards.h"

namespace nastran::layout {

template <class Io>
void fields(Io& io, Grid& c) {
  io.id(1, "ID", c.id);
  io.integer(2, "CP", c.cp, 0);
  io.real(3, "X1", c.x[0], 0.0);
  io.real(4, "X2", c.x[1], 0.0);
  io.real(5, "X3", c.x[2], 0.0);
  io.integer(6, "CD", c.cd, 0);
  io.components(7, "PS", c.ps);
  io.integer(8, "SEID", c.seid, 0);
  io.last(8);
}

// One of the (up to) two systems of a CORD1 card: `base` 0 for the first, 4 for the second.
template <class Io>
void fields(Io& io, Cord1& c, std::size_t base) {
  io.id(base + 1, "CID", c.cid);
  io.id(base + 2, "G1", c.g[0]);
  io.id(base + 3, "G2", c.g[1]);
  io.id(base + 4, "G3", c.g[2]);
}

template <class Io>
void fields(Io& io, Cord2& c) {
  static const char* const kNames[9] = {"A1", "A2", "A3", "B1", "B2", "B3", "C1", "C2", "C3"};
  io.id(1, "CID", c.cid);
  io.integer(2, "RID", c.rid, 0);
  for (std::size_t i = 0; i < 3; ++i) {
    io.real(3 + i, kNames[i], c.a[i], 0.0);
    io.real(6 + i, kNames[3 + i], c.b[i], 0.0);
    io.real(9 + i, kNames[6 + i], c.c[i], 0.0);
  }
  io.last(11);
}

template <class Io>
void fields(Io& io, Crod& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  io.id(3, "G1", c.g[0]);
  io.id(4, "G2", c.g[1]);
  io.last(4);
}

template <class Io>
void fields(Io& io, Conrod& c) {
  io.id(1, "EID", c.eid);
  io.id(2, "G1", c.g[0]);
  io.id(3, "G2", c.g[1]);
  io.id(4, "MID", c.mid);
  io.real(5, "A", c.a, 0.0);
  io.real(6, "J", c.j, 0.0);
  io.real(7, "C", c.c, 0.0);
  io.real(8, "NSM", c.nsm, 0.0);
  io.last(8);
}

template <class Io>
void offsets(Io& io, Components& pa, Components& pb, Vec3& wa, Vec3& wb) {
  static const char* const kNames[6] = {"W1A", "W2A", "W3A", "W1B", "W2B", "W3B"};
  io.components(9, "PA", pa);
  io.components(10, "PB", pb);
  for (std::size_t i = 0; i < 3; ++i) {
    io.real(11 + i, kNames[i], wa[i], 0.0);
    io.real(14 + i, kNames[3 + i], wb[i], 0.0);
  }
}

template <class Io>
void fields(Io& io, Cbar& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  io.id(3, "GA", c.ga);
  io.id(4, "GB", c.gb);
  io.orientation(5, c.orientation);
  io.word(8, "OFFT", c.offt, "GGG");
  offsets(io, c.pa, c.pb, c.wa, c.wb);
  io.last(16);
}

template <class Io>
void fields(Io& io, Cbeam& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  io.id(3, "GA", c.ga);
  io.id(4, "GB", c.gb);
  io.orientation(5, c.orientation);
  io.wordOrReal(8, "OFFT", c.offt, "GGG", "BIT", c.bit);
  offsets(io, c.pa, c.pb, c.wa, c.wb);
  io.integer(17, "SA", c.sa, 0);
  io.integer(18, "SB", c.sb, 0);
  io.last(18);
}

template <class Io>
void fields(Io& io, Cbush& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  io.id(3, "GA", c.ga);
  io.integer(4, "GB", c.gb, 0);
  io.orientation(5, c.orientation);
  io.integer(8, "CID", c.cid);
  io.real(9, "S", c.s, 0.5);
  io.integer(10, "OCID", c.ocid, -1);
  io.real(11, "S1", c.si[0]);
  io.real(12, "S2", c.si[1]);
  io.real(13, "S3", c.si[2]);
  io.last(13);
}

template <class Io>
void fields(Io& io, Celas1& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  io.integer(3, "G1", c.g1, 0);
  io.component(4, "C1", c.c1);
  io.integer(5, "G2", c.g2, 0);
  io.component(6, "C2", c.c2);
  io.last(6);
}

template <class Io>
void fields(Io& io, Celas2& c) {
  io.id(1, "EID", c.eid);
  io.real(2, "K", c.k);
  io.integer(3, "G1", c.g1, 0);
  io.component(4, "C1", c.c1);
  io.integer(5, "G2", c.g2, 0);
  io.component(6, "C2", c.c2);
  io.real(7, "GE", c.ge, 0.0);
  io.real(8, "S", c.s, 0.0);
  io.last(8);
}

template <class Io>
void grids(Io& io, std::size_t first, int* g, int required, int count) {
  static const char* const kNames[20] = {"G1",  "G2",  "G3",  "G4",  "G5",  "G6",  "G7",
                                         "G8",  "G9",  "G10", "G11", "G12", "G13", "G14",
                                         "G15", "G16", "G17", "G18", "G19", "G20"};
  for (int i = 0; i < count; ++i) {
    if (i < required) io.id(first + static_cast<std::size_t>(i), kNames[i], g[i]);
    else io.integer(first + static_cast<std::size_t>(i), kNames[i], g[i], 0);
  }
}

template <class Io>
void thicknesses(Io& io, std::size_t first, Plate& c, int count) {
  static const char* const kNames[4] = {"T1", "T2", "T3", "T4"};
  for (int i = 0; i < count; ++i) io.real(first + static_cast<std::size_t>(i), kNames[i], c.t[static_cast<std::size_t>(i)]);
}

template <class Io>
void fields(Io& io, Plate& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  switch (c.shape) {
    case PlateShape::Quad4:
    case PlateShape::QuadR:
      grids(io, 3, c.g.data(), 4, 4);
      io.materialAxes(7, c.mcid, c.theta);
      io.real(8, "ZOFFS", c.zoffs);
      io.unused(9);
      io.integer(10, "TFLAG", c.tflag, 0);
      thicknesses(io, 11, c, 4);
      io.last(14);
      break;
    case PlateShape::Tria3:
    case PlateShape::TriaR:
      grids(io, 3, c.g.data(), 3, 3);
      io.materialAxes(6, c.mcid, c.theta);
      io.real(7, "ZOFFS", c.zoffs);
      io.unused(8);
      io.unused(9);
      io.integer(10, "TFLAG", c.tflag, 0);
      thicknesses(io, 11, c, 3);
      io.last(13);
      break;
    case PlateShape::Quad8:
      grids(io, 3, c.g.data(), 4, 8);
      thicknesses(io, 11, c, 4);
      io.materialAxes(15, c.mcid, c.theta);
      io.real(16, "ZOFFS", c.zoffs);
      io.integer(17, "TFLAG", c.tflag, 0);
      io.last(17);
      break;
    case PlateShape::Tria6:
      grids(io, 3, c.g.data(), 3, 6);
      io.materialAxes(9, c.mcid, c.theta);
      io.real(10, "ZOFFS", c.zoffs);
      thicknesses(io, 11, c, 3);
      io.integer(14, "TFLAG", c.tflag, 0);
      io.last(14);
      break;
  }
}

template <class Io>
void fields(Io& io, Cshear& c) {
  io.id(1, "EID", c.eid);
  io.integer(2, "PID", c.pid, c.eid);
  grids(io, 3, c.g.data(), 4, 4);
  io.last(6);
}

template <class Io>
void fields(Io& io, Solid& c) {
  io.id(1, "EID", c.eid);
  io.id(2, "PID", c.pid);
  grids(io, 3, c.g.data(), c.corners(), c.maxGrids());
  io.last(2 + static_cast<std::size_t>(c.maxGrids()));
}

template <class Io>
void fields(Io& io, Conm2& c) {
  static const char* const kInertia[6] = {"I11", "I21", "I22", "I31", "I32", "I33"};
  io.id(1, "EID", c.eid);
  io.id(2, "G", c.g);
  io.integer(3, "CID", c.cid, 0);
  io.real(4, "M", c.m);
  io.real(5, "X1", c.x[0], 0.0);
  io.real(6, "X2", c.x[1], 0.0);
  io.real(7, "X3", c.x[2], 0.0);
  io.unused(8);
  for (std::size_t i = 0; i < 6; ++i) io.real(9 + i, kInertia[i], c.i[i], 0.0);
  io.last(14);
}

template <class Io>
void fields(Io& io, Rbar& c) {
  io.id(1, "EID", c.eid);
  io.id(2, "GA", c.ga);
  io.id(3, "GB", c.gb);
  io.components(4, "CNA", c.cna);
  io.components(5, "CNB", c.cnb);
  io.components(6, "CMA", c.cma);
  io.components(7, "CMB", c.cmb);
  io.real(8, "ALPHA", c.alpha);
  io.last(8);
}

template <class Io>
void fields(Io& io, Prod& c) {
  io.id(1, "PID", c.pid);
  io.id(2, "MID", c.mid);
  io.real(3, "A", c.a);
  io.real(4, "J", c.j, 0.0);
  io.real(5, "C", c.c, 0.0);
  io.real(6, "NSM", c.nsm, 0.0);
  io.last(6);
}

template <class Io>
void fields(Io& io, Pbar& c) {
  static const char* const kPoints[8] = {"C1", "C2", "D1", "D2", "E1", "E2", "F1", "F2"};
  io.id(1, "PID", c.pid);
  io.id(2, "MID", c.mid);
  io.real(3, "A", c.a, 0.0);
  io.real(4, "I1", c.i1, 0.0);
  io.real(5, "I2", c.i2, 0.0);
  io.real(6, "J", c.j, 0.0);
  io.real(7, "NSM", c.nsm, 0.0);
  io.unused(8);
  for (std::size_t i = 0; i < 8; ++i) io.real(9 + i, kPoints[i], c.stressPoints[i], 0.0);
  io.real(17, "K1", c.k1);
  io.real(18, "K2", c.k2);
  io.real(19, "I12", c.i12, 0.0);
  io.last(19);
}

// One of the (up to) two springs of a PELAS card: `base` 0 or 4.
template <class Io>
void fields(Io& io, Pelas& c, std::size_t base) {
  io.id(base + 1, "PID", c.pid);
  io.real(base + 2, "K", c.k);
  io.real(base + 3, "GE", c.ge, 0.0);
  io.real(base + 4, "S", c.s, 0.0);
}

template <class Io>
void fields(Io& io, Pshell& c) {
  io.id(1, "PID", c.pid);
  io.integer(2, "MID1", c.mid1);
  io.real(3, "T", c.t);
  io.integer(4, "MID2", c.mid2);
  io.real(5, "12I/T**3", c.bendingRatio, 1.0);
  io.integer(6, "MID3", c.mid3);
  io.real(7, "TS/T", c.shearRatio, 0.833333);
  io.real(8, "NSM", c.nsm, 0.0);
  io.real(9, "Z1", c.z1);
  io.real(10, "Z2", c.z2);
  io.integer(11, "MID4", c.mid4);
  io.last(11);
}

template <class Io>
void fields(Io& io, Pshear& c) {
  io.id(1, "PID", c.pid);
  io.id(2, "MID", c.mid);
  io.real(3, "T", c.t);
  io.real(4, "NSM", c.nsm, 0.0);
  io.real(5, "F1", c.f1, 0.0);
  io.real(6, "F2", c.f2, 0.0);
  io.last(6);
}

template <class Io>
void fields(Io& io, Psolid& c) {
  io.id(1, "PID", c.pid);
  io.id(2, "MID", c.mid);
  io.integer(3, "CORDM", c.cordm, 0);
  io.text(4, "IN", c.in);
  io.text(5, "STRESS", c.stress);
  io.text(6, "ISOP", c.isop);
  io.word(7, "FCTN", c.fctn, "SMECH");
  io.last(7);
}

template <class Io>
void fields(Io& io, Mat1& c) {
  io.id(1, "MID", c.mid);
  io.real(2, "E", c.e);
  io.real(3, "G", c.g);
  io.real(4, "NU", c.nu);
  io.real(5, "RHO", c.rho, 0.0);
  io.real(6, "A", c.a, 0.0);
  io.real(7, "TREF", c.tref, 0.0);
  io.real(8, "GE", c.ge, 0.0);
  io.real(9, "ST", c.st);
  io.real(10, "SC", c.sc);
  io.real(11, "SS", c.ss);
  io.integer(12, "MCSID", c.mcsid);
  io.last(12);
}

template <class Io>
void fields(Io& io, Mat2& c) {
  static const char* const kNames[6] = {"G11", "G12", "G13", "G22", "G23", "G33"};
  static const char* const kExpansion[3] = {"A1", "A2", "A3"};
  io.id(1, "MID", c.mid);
  for (std::size_t i = 0; i < 6; ++i) io.real(2 + i, kNames[i], c.g[i], 0.0);
  io.real(8, "RHO", c.rho, 0.0);
  for (std::size_t i = 0; i < 3; ++i) io.real(9 + i, kExpansion[i], c.a[i], 0.0);
  io.real(12, "TREF", c.tref, 0.0);
  io.real(13, "GE", c.ge, 0.0);
  io.real(14, "ST", c.st);
  io.real(15, "SC", c.sc);
  io.real(16, "SS", c.ss);
  io.integer(17, "MCSID", c.mcsid);
  io.last(17);
}

template <class Io>
void fields(Io& io, Mat8& c) {
  io.id(1, "MID", c.mid);
  io.real(2, "E1", c.e1);
  io.real(3, "E2", c.e2);
  io.real(4, "NU12", c.nu12);
  io.real(5, "G12", c.g12, 0.0);
  io.real(6, "G1Z", c.g1z);
  io.real(7, "G2Z", c.g2z);
  io.real(8, "RHO", c.rho, 0.0);
  io.real(9, "A1", c.a1, 0.0);
  io.real(10, "A2", c.a2, 0.0);
  io.real(11, "TREF", c.tref, 0.0);
  io.real(12, "XT", c.xt, 0.0);
  io.real(13, "XC", c.xc);
  io.real(14, "YT", c.yt, 0.0);
  io.real(15, "YC", c.yc);
  io.real(16, "S", c.s, 0.0);
  io.real(17, "GE", c.ge, 0.0);
  io.real(18, "F12", c.f12, 0.0);
  io.real(19, "STRN", c.strn, 0.0);
  io.last(19);
}

template <class Io>
void fields(Io& io, Mat9& c) {
  static const char* const kNames[21] = {"G11", "G12", "G13", "G14", "G15", "G16", "G22",
                                         "G23", "G24", "G25", "G26", "G33", "G34", "G35",
                                         "G36", "G44", "G45", "G46", "G55", "G56", "G66"};
  static const char* const kExpansion[6] = {"A1", "A2", "A3", "A4", "A5", "A6"};
  io.id(1, "MID", c.mid);
  for (std::size_t i = 0; i < 21; ++i) io.real(2 + i, kNames[i], c.g[i], 0.0);
  io.real(23, "RHO", c.rho, 0.0);
  for (std::size_t i = 0; i < 6; ++i) io.real(24 + i, kExpansion[i], c.a[i], 0.0);
  io.real(30, "TREF", c.tref, 0.0);
  io.real(31, "GE", c.ge, 0.0);
  io.last(31);
}

template <class Io>
void fields(Io& io, NodalLoad& c) {
  io.id(1, "SID", c.sid);
  io.id(2, "G", c.g);
  io.integer(3, "CID", c.cid, 0);
  io.real(4, c.moment ? "M" : "F", c.scale);
  io.real(5, "N1", c.n[0], 0.0);
  io.real(6, "N2", c.n[1], 0.0);
  io.real(7, "N3", c.n[2], 0.0);
  io.last(7);
}

template <class Io>
void fields(Io& io, NodalLoad1& c) {
  io.id(1, "SID", c.sid);
  io.id(2, "G", c.g);
  io.real(3, c.moment ? "M" : "F", c.scale);
  io.id(4, "G1", c.g1);
  io.id(5, "G2", c.g2);
  io.last(5);
}

template <class Io>
void fields(Io& io, Pload& c) {
  io.id(1, "SID", c.sid);
  io.real(2, "P", c.p);
  grids(io, 3, c.g.data(), 3, 4);
  io.last(6);
}

template <class Io>
void fields(Io& io, Pload1& c) {
  io.id(1, "SID", c.sid);
  io.id(2, "EID", c.eid);
  io.word(3, "TYPE", c.type, "");
  io.word(4, "SCALE", c.scale, "");
  io.real(5, "X1", c.x1);
  io.real(6, "P1", c.p1);
  io.real(7, "X2", c.x2);
  io.real(8, "P2", c.p2);
  io.last(8);
}

template <class Io>
void fields(Io& io, Grav& c) {
  io.id(1, "SID", c.sid);
  io.integer(2, "CID", c.cid, 0);
  io.real(3, "A", c.a);
  io.real(4, "N1", c.n[0], 0.0);
  io.real(5, "N2", c.n[1], 0.0);
  io.real(6, "N3", c.n[2], 0.0);
  io.integer(7, "MB", c.mb, 0);
  io.last(7);
}

// One grid of an SPC or SPCD card: `base` 0 or 3.
template <class Io>
void fields(Io& io, Spc& c, std::size_t base) {
  io.id(base + 2, "G", c.g);
  io.components(base + 3, "C", c.c);
  io.real(base + 4, "D", c.d, 0.0);
}

}  // namespace nastran::layout
