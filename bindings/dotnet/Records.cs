// A field of a record, as RecordsTables.cs names every field of both records
// (written by tables/generate.py in the ZPosApp sources from the same tables
// as the library's own headers).
namespace ZPosApp
{
    /// <summary>A field of a record: its name, offset (0-based) and width in bytes.</summary>
    public struct Field
    {
        public readonly string Name;
        public readonly int Offset;
        public readonly int Width;

        public Field(string name, int offset, int width)
        {
            Name = name;
            Offset = offset;
            Width = width;
        }
    }
}
