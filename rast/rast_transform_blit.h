// Blits that walk the source along arbitrary directions: rotation (the knobs), explicit steps,
// and meshes of bilinearly mapped cells. Source positions outside the source limits leave the
// destination pixel as it was.
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

// Draws the source rectangle into the destination rectangle turned by angle (radians) about its
// centre; (rotxcent, rotycent) move the source point that lands on the destination's centre.
// cliptosourcerect limits reads to the source rectangle instead of the whole source.
void RAST_RotatedBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, RAST_BlendMode mode,
                      float rotxcent = 0.0f, float rotycent = 0.0f);

// The source position (srcx, srcy) of the destination's top-left pixel and its increments per
// pixel right (dsdx, dtdx), per row down (dsdy, dtdy) and the per-row change of the per-pixel
// increment (dsdxdy, dtdxdy), all in source pixels.
void RAST_StepBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                   float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                   double dsdy, double dtdy, double dsdxdy, double dtdxdy, bool cliptosourcerect,
                   float alpha, RAST_BlendMode mode);

// RAST_StepBlit with an alpha that also steps (start, per pixel, per row, per-row change of the
// per-pixel step); alpha is a fraction of full weight.
void RAST_StepBlitAlpha(RAST_IBitmap* dest, RAST_IBitmap* src, int dstx, int dsty, int dstw,
                        int dsth, float srcx, float srcy, float srcw, float srch, double dsdx,
                        double dtdx, double dsdy, double dtdy, double dsdxdy, double dtdxdy,
                        bool cliptosourcerect, double alpha, double dadx, double dady,
                        double dadxdy, RAST_BlendMode mode);

// The destination rectangle cut into (div_w - 1) x (div_h - 1) cells; points holds div_w x div_h
// source positions (u, v), row by row; each cell maps bilinearly onto its source quadrilateral.
void RAST_MeshBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                   const float* points, int div_w, int div_h, RAST_BlendMode mode, float alpha);
void RAST_MeshBlit(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                   const double* points, int div_w, int div_h, RAST_BlendMode mode, float alpha);
// The same with (u, v, alpha) triples.
void RAST_MeshBlitAlpha(RAST_IBitmap* dest, RAST_IBitmap* src, int x, int y, int w, int h,
                        const double* points, int div_w, int div_h, RAST_BlendMode mode);
