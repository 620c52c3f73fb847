// The sprite shader, compiled with D3DCompile when a device is created (vs_4_0 and ps_4_0).
//
// It keeps to the HLSL that Wine's D3DCompile (vkd3d-shader) accepts as well as Microsoft's:
// no calls to functions of its own, no ?: operator, no ddx/ddy and no GetDimensions. So the
// texture's size comes in the constant buffer, and the distance field's scale, which the
// software device derives once a quad from its areas, comes with each vertex.

cbuffer Sprites : register(b0) {
  float2 PixelToClip;      // 2 / viewport width, -2 / viewport height
  float2 TextureSize;      // texels
  int FieldMode;           // 0: plain texels; a distance field, 1: bilinear, 2: nearest
  int SingleChannel;       // an R8 (Alpha8) texture, whose red channel reads as all four
  float OutlineEdge;       // field value (0..1) at the outline's ramp; 128 / 255 for none
  float OutlineSoftness;   // field steps (0..1) of a soft outline's fade; 0 for a crisp one
  float4 OutlineColor;     // premultiplied
  int MultiChannel;        // a multi-channel field: the shape is the median of red, green, blue
  int3 Padding;
};

Texture2D SpriteTexture : register(t0);
SamplerState SpriteSampler : register(s0);

struct VertexIn {
  float2 Position : POSITION;  // viewport pixels, Y down
  float2 TexCoord : TEXCOORD0;
  float4 Tint : COLOR0;
  float FieldScale : TEXCOORD1;  // screen pixels per unit of field value
};

struct PixelIn {
  float4 Position : SV_Position;
  float2 TexCoord : TEXCOORD0;
  float4 Tint : COLOR0;
  float FieldScale : TEXCOORD1;
};

PixelIn SpriteVertex(VertexIn input) {
  PixelIn output;
  output.Position = float4(input.Position * PixelToClip + float2(-1.0, 1.0), 0.0, 1.0);
  output.TexCoord = input.TexCoord;
  output.Tint = input.Tint;
  output.FieldScale = input.FieldScale;
  return output;
}

float4 SpritePixel(PixelIn input) : SV_Target {
  float4 texel = SpriteTexture.Sample(SpriteSampler, input.TexCoord);
  if (SingleChannel != 0) texel = texel.rrrr;
  float4 color = texel * input.Tint;
  if (FieldMode != 0) {
    // A distance field: the edge at 128 / 255. Bilinear in full float precision, as the
    // software device filters: hardware filtering may keep only 8 bits of weight, which a
    // field's steep ramp would magnify into visible steps at large scales.
    float distance = texel.a;
    float4 sampled = texel;
    if (FieldMode == 1) {
      float2 t = clamp(input.TexCoord * TextureSize, float2(-1.0, -1.0), TextureSize + 1.0) - 0.5;
      float2 below = floor(t);
      float2 f = t - below;
      int2 last = int2(TextureSize) - 1;
      int2 a = clamp(int2(below), int2(0, 0), last);
      int2 b = clamp(int2(below) + 1, int2(0, 0), last);
      float4 ta = SpriteTexture.Load(int3(a.x, a.y, 0));
      float4 tb = SpriteTexture.Load(int3(b.x, a.y, 0));
      float4 tc = SpriteTexture.Load(int3(a.x, b.y, 0));
      float4 td = SpriteTexture.Load(int3(b.x, b.y, 0));
      float4 top = ta + (tb - ta) * f.x;
      float4 bottom = tc + (td - tc) * f.x;
      float4 mixed = top + (bottom - top) * f.y;
      distance = mixed.a;
      if (SingleChannel != 0) distance = mixed.r;
      sampled = mixed;
    }
    // The shape's distance; the outline keeps the true one in alpha.
    float shape = distance;
    if (MultiChannel != 0) {
      shape = max(min(sampled.r, sampled.g), min(max(sampled.r, sampled.g), sampled.b));
    }
    float fill = saturate((shape - 128.0 / 255.0) * input.FieldScale + 0.5);
    color = input.Tint * fill;
    if (OutlineEdge < 128.0 / 255.0) {
      float outer = saturate((distance - OutlineEdge) * input.FieldScale + 0.5);
      if (OutlineSoftness > 0.0) outer = saturate((distance - OutlineEdge) / OutlineSoftness);
      color = color + OutlineColor * (outer * (1.0 - color.a));
    }
  }
  // One return at the end: Wine's compiler mistranslated an early one.
  return color;
}
